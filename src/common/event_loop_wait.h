// Runs blocking work on a worker thread while the UI thread keeps handling events in a local
// event loop, so windows, timers and clicks stay alive (and may re-enter) meanwhile.
#pragma once

#include <QEventLoop>
#include <QMetaObject>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace talvesso {

template <typename Work>
auto AwaitInEventLoop(Work&& work) -> std::invoke_result_t<Work> {
  using TResult = std::invoke_result_t<Work>;
  QEventLoop loop;
  // The quit is queued to the loop, so it also ends a loop that starts after the work is done.
  auto quitLoop = [&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); };
  if constexpr (std::is_void_v<TResult>) {
    std::thread worker([&] {
      work();
      quitLoop();
    });
    loop.exec();
    worker.join();
  } else {
    std::optional<TResult> result;
    std::thread worker([&] {
      result.emplace(work());
      quitLoop();
    });
    loop.exec();
    worker.join();
    return std::move(*result);
  }
}

}  // namespace talvesso
