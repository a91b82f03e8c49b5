// The pictures of the store's windows live in a resource file compiled into the static UI
// library; this makes sure they are registered before use.
#pragma once

namespace talvesso {

void InitStoreResources();

}  // namespace talvesso
