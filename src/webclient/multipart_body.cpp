#include "webclient/multipart_body.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "common/cp949.h"

namespace talvesso {

namespace {

constexpr const char* kCrLf = "\r\n";

bool IsBlankPath(const std::string& path) {
  return std::all_of(path.begin(), path.end(),
                     [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

}  // namespace

std::string MakeBoundary(std::chrono::system_clock::time_point now) {
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  if (millis.count() < 0) millis += std::chrono::milliseconds(1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char digits[32];
  std::snprintf(digits, sizeof digits, "%02d%02d%02d%02d%02d%02d%03d", local.tm_mon + 1,
                local.tm_mday, local.tm_year % 100, local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(millis.count()));
  return std::string("--------") + digits;
}

TMultipartBody::TMultipartBody(std::string boundary, const std::string& uid,
                               const std::vector<std::string>& fieldNames,
                               const std::vector<std::string>& fieldValues,
                               const std::string& file1, const std::string& file2)
    : Boundary_(std::move(boundary)) {
  auto addField = [this](const std::string& name, const std::string& value) {
    AddText("--" + Boundary_ + kCrLf + "Content-Disposition: form-data; name=\"" + name + "\"" +
            kCrLf + kCrLf + value + kCrLf);
  };
  addField("UID", uid);
  size_t count = std::min(fieldNames.size(), fieldValues.size());
  for (size_t i = 0; i < count; ++i) addField(fieldNames[i], fieldValues[i]);
  AddFile("file1", file1);
  AddFile("file2", file2);
  AddText("--" + Boundary_ + "--" + kCrLf);
  for (const auto& piece : Pieces_) Size_ += piece.Length;
}

TMultipartBody::~TMultipartBody() {
  for (auto& piece : Pieces_)
    if (piece.Fd >= 0) close(piece.Fd);
}

void TMultipartBody::AddText(std::string bytes) {
  // Neighbouring text pieces are merged so reading walks fewer pieces.
  if (!Pieces_.empty() && Pieces_.back().Fd < 0) {
    Pieces_.back().Bytes += bytes;
    Pieces_.back().Length = static_cast<int64_t>(Pieces_.back().Bytes.size());
  } else {
    TPiece piece;
    piece.Length = static_cast<int64_t>(bytes.size());
    piece.Bytes = std::move(bytes);
    Pieces_.push_back(std::move(piece));
  }
}

void TMultipartBody::AddFile(const char* partName, const std::string& path) {
  if (IsBlankPath(path)) return;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return;
  }
  // The file name goes out in the Korean code page like every other text of the form.
  std::string fileName = Utf8ToCp949(path).value_or(path);
  AddText("--" + Boundary_ + kCrLf + "Content-Disposition: form-data; name=\"" + partName +
          "\"; filename=\"" + fileName + "\"" + kCrLf + "Content-Type: application/unknown" +
          kCrLf + kCrLf);
  TPiece piece;
  piece.Fd = fd;
  piece.Length = static_cast<int64_t>(info.st_size);
  Pieces_.push_back(std::move(piece));
  AddText(kCrLf);
}

int64_t TMultipartBody::Read(char* buffer, size_t capacity) {
  size_t filled = 0;
  while (filled < capacity && Piece_ < Pieces_.size()) {
    TPiece& piece = Pieces_[Piece_];
    int64_t left = piece.Length - Offset_;
    if (left <= 0) {
      ++Piece_;
      Offset_ = 0;
      continue;
    }
    size_t want = static_cast<size_t>(std::min<int64_t>(left, capacity - filled));
    if (piece.Fd < 0) {
      std::memcpy(buffer + filled, piece.Bytes.data() + Offset_, want);
      filled += want;
      Offset_ += static_cast<int64_t>(want);
      continue;
    }
    ssize_t got = pread(piece.Fd, buffer + filled, want, Offset_);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return -1;  // the file ended early or could not be read
    filled += static_cast<size_t>(got);
    Offset_ += got;
  }
  return static_cast<int64_t>(filled);
}

void TMultipartBody::Rewind() {
  Piece_ = 0;
  Offset_ = 0;
}

}  // namespace talvesso
