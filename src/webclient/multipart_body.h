// The multipart form body of a request to the backend, built up front so its length is known
// before anything is sent; file parts stay on disk and are read while the body goes out.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace talvesso {

// "--------" and the fifteen local-time digits MMDDYYhhmmssmmm.
std::string MakeBoundary(std::chrono::system_clock::time_point now);

class TMultipartBody {
 public:
  // Parts in order: "UID", the fields, "file1", "file2". A file path that is blank (after
  // trimming) or cannot be opened as a regular file leaves its part out.
  TMultipartBody(std::string boundary, const std::string& uid,
                 const std::vector<std::string>& fieldNames,
                 const std::vector<std::string>& fieldValues, const std::string& file1,
                 const std::string& file2);
  ~TMultipartBody();
  TMultipartBody(const TMultipartBody&) = delete;
  TMultipartBody& operator=(const TMultipartBody&) = delete;

  const std::string& Boundary() const { return Boundary_; }
  int64_t Size() const { return Size_; }

  // Copies the next bytes into `buffer`; 0 at the end. -1 when a file no longer holds the bytes
  // its part announced (it shrank while the body was sent).
  int64_t Read(char* buffer, size_t capacity);
  // Back to the first byte (a repeated POST after a redirect).
  void Rewind();

 private:
  struct TPiece {
    std::string Bytes;  // used when Fd < 0
    int Fd = -1;
    int64_t Length = 0;
  };
  void AddText(std::string bytes);
  void AddFile(const char* partName, const std::string& path);

  std::string Boundary_;
  std::vector<TPiece> Pieces_;
  int64_t Size_ = 0;
  size_t Piece_ = 0;
  int64_t Offset_ = 0;  // within the current piece
};

}  // namespace talvesso
