// The result codes the program's dialogs close with.
#pragma once

namespace talvesso {

inline constexpr int kDialogAccepted = 100;
inline constexpr int kDialogCancelled = 200;

}  // namespace talvesso
