#include "store/store_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitStoreQrc() { Q_INIT_RESOURCE(store); }

namespace talvesso {

void InitStoreResources() {
  static const bool done = (InitStoreQrc(), true);
  (void)done;
}

}  // namespace talvesso
