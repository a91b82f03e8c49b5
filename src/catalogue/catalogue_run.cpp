#include "catalogue/catalogue_run.h"

#include "catalogue/catalogue_writer.h"
#include "common/file_size.h"
#include "common/tick.h"
#include "webclient/service_api.h"
#include "webclient/service_post.h"

namespace talvesso {

namespace {

constexpr uint32_t kProgressIntervalMs = 100;

// Installs the progress hooks of the shared client for one upload and removes them again.
class TUploadHooks {
 public:
  TUploadHooks(TSharedHttpClient& client, TCatalogueRunControl& control,
               TFolderUpdateObserver* observer, int64_t fileSize)
      : Client_(client) {
    Client_.OnWork = [&client, &control, observer, fileSize, last = uint32_t{0},
                      reported = false](int64_t count) mutable {
      // A stop that came just before the request started (when the client could not be
      // cancelled yet) is honoured here or at the end of sending.
      if (control.StopRequested.load()) client.Cancel();
      if (!observer) return;
      const uint32_t now = TickCount32();
      if (reported && now - last < kProgressIntervalMs) return;
      reported = true;
      last = now;
      observer->OnUploadProgress(count, fileSize);
    };
    Client_.OnWorkEnd = [&client, &control, observer] {
      if (control.StopRequested.load()) client.Cancel();
      if (observer) observer->OnPhase(TUpdatePhase::TransferFinished);
    };
  }
  ~TUploadHooks() {
    Client_.OnWork = nullptr;
    Client_.OnWorkEnd = nullptr;
  }
  TUploadHooks(const TUploadHooks&) = delete;
  TUploadHooks& operator=(const TUploadHooks&) = delete;

 private:
  TSharedHttpClient& Client_;
};

}  // namespace

TCatalogueBuild BuildCatalogueFile(const TFolderList& folders, const std::string& catalogueFile,
                                   const TScanOptions& options,
                                   const std::function<void()>& onWalkDone) {
  TCatalogueBuild build;
  TScanResult scan = ScanSharedFolders(folders, options);
  build.Stopped = scan.Stopped;
  build.MeasuredSizes = std::move(scan.MeasuredSizes);
  build.Counters = scan.Counters;
  if (options.OnProgress) {  // the counters' final values
    TScanProgress last;
    last.Counters = scan.Counters;
    last.ElapsedMs = TickCount32() - options.StartTick;
    options.OnProgress(last);
  }
  if (build.Stopped) return build;
  if (onWalkDone) onWalkDone();
  build.Written = WriteCatalogueFile(scan.Catalogue, catalogueFile);
  return build;
}

TFolderUpdateOutcome BuildAndUploadCatalogue(const TCatalogueRunJob& job,
                                             TCatalogueRunControl& control) {
  TFolderUpdateOutcome outcome;
  try {
    TFolderUpdateObserver* observer = job.Observer;
    if (observer) observer->OnPhase(TUpdatePhase::WalkBegins);
    TScanOptions options;
    options.StopRequested = &control.StopRequested;
    options.ProgressIntervalMs = kProgressIntervalMs;
    options.StartTick = TickCount32();
    if (observer)
      options.OnProgress = [observer](const TScanProgress& p) { observer->OnScanProgress(p); };

    const std::string catalogueFile = job.ProgramFolder + kCatalogueFileName;
    TCatalogueBuild build = BuildCatalogueFile(job.Folders, catalogueFile, options, [observer] {
      if (observer) observer->OnPhase(TUpdatePhase::WalkDone);
    });
    outcome.MeasuredSizes = std::move(build.MeasuredSizes);
    outcome.Counters = build.Counters;
    outcome.CatalogueWritten = build.Written;
    if (build.Stopped) {
      outcome.UpdateResult = 100;  // nothing written, nothing uploaded
      return outcome;
    }
    // A catalogue that could not be written is not fatal: whatever file is on disk goes up.
    const int64_t fileSize = QueryFileSize(catalogueFile);
    if (observer) {
      observer->OnPhase(TUpdatePhase::UploadBegins);
      observer->OnUploadProgress(0, fileSize);
    }
    if (control.StopRequested.load()) {  // stopped after the walk: the upload is cut off
      outcome.UpdateResult = 300;
      return outcome;
    }
    bool accepted = false;
    {
      TUploadHooks hooks(*job.Client, control, observer, fileSize);
      accepted = job.Api->UploadCatalogue(*job.Client, job.UserPNo, catalogueFile);
    }
    outcome.UpdateResult = accepted ? 200 : 300;
  } catch (...) {
    // An error inside the run ends it without a result (0); the caller reports a failure.
  }
  return outcome;
}

int ApplyMeasuredSizes(TFolderList& live, const std::vector<TMeasuredFolderSize>& sizes) {
  int applied = 0;
  for (const auto& measured : sizes) {
    for (auto& record : live) {
      if (record.PNo == measured.PNo && record.Path == measured.Path) {
        record.Size = measured.Size;
        ++applied;
      }
    }
  }
  return applied;
}

}  // namespace talvesso
