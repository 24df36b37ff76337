// The exception classes of the reader. Every message is a code page 932 byte
// string (see Messages.h). Every exception of ours carries an identity, its
// TErrorKind, beside the message, so that front ends decide by the kind and
// never by the text. Three families are kept apart even though a host sees
// -1 for all of them:
//   EVornError and its descendants  - the input is damaged or unsupported;
//   ELimitError                     - the input asks for more than our limits allow;
//   std::logic_error                - our own bug.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace vorn {

enum class TErrorKind {
  Truncated,    // the input ends before the data it declares
  Io,           // the input cannot be opened or read
  Damaged,      // a value or structure of the file is impossible
  Unsupported,  // a generation, version or variant the reader does not read
  Compressed,   // damaged zlib data
  Jpeg,         // damaged JPEG data
  PassCode,     // the file needs its identification code
  Limit,        // more memory or work than one load may spend
  Settings,     // the settings store failed
  Argument,     // a caller passed something unusable
  NoMemory,     // the system refused memory within the limits
  Internal,     // our own bug
};

class EVornException : public std::runtime_error {
 public:
  EVornException(TErrorKind kind, const std::string& message)
      : std::runtime_error(message), kind_(kind) {}
  TErrorKind Kind() const { return kind_; }

 private:
  TErrorKind kind_;
};

// The input is damaged or unsupported (Damaged unless another kind is given).
class EVornError : public EVornException {
 public:
  explicit EVornError(const std::string& message) : EVornException(TErrorKind::Damaged, message) {}
  EVornError(TErrorKind kind, const std::string& message) : EVornException(kind, message) {}
};

// A stream could not deliver the bytes the reader asked for (Truncated), or
// could not be opened at all (Io).
class EReadError : public EVornError {
 public:
  explicit EReadError(const std::string& message) : EVornError(TErrorKind::Truncated, message) {}
  EReadError(TErrorKind kind, const std::string& message) : EVornError(kind, message) {}
};

// An index outside a list (the runtime's list error).
class EListError : public EVornError {
 public:
  using EVornError::EVornError;
};

// Text that should have been an integer is not one.
class EConvertError : public EVornError {
 public:
  using EVornError::EVornError;
};

class EZLibError : public EVornError {
 public:
  explicit EZLibError(const std::string& message) : EVornError(TErrorKind::Compressed, message) {}
};

class EZDecompressionError : public EZLibError {
 public:
  using EZLibError::EZLibError;
};

// A surface operation that cannot be carried out (bad depth, row out of range).
class EInvalidGraphicOperation : public EVornError {
 public:
  using EVornError::EVornError;
};

// Damaged JPEG data; the message is the JPEG library's.
class EJpegError : public EVornError {
 public:
  explicit EJpegError(const std::string& message) : EVornError(TErrorKind::Jpeg, message) {}
};

// A registry or settings-store failure.
class ERegistryError : public EVornError {
 public:
  explicit ERegistryError(const std::string& message) : EVornError(TErrorKind::Settings, message) {}
};

// The input asks for more memory or work than one load may spend.
class ELimitError : public EVornException {
 public:
  explicit ELimitError(const std::string& message) : EVornException(TErrorKind::Limit, message) {}
};

// The identity of any exception: ours carry it; std::bad_alloc is NoMemory;
// anything else is Internal.
TErrorKind ErrorKindOf(const std::exception& e);

// Replaces the first %d or %s of a message template with the given text.
std::string FormatMessage(const char* pattern, const std::string& value);
std::string FormatMessage(const char* pattern, long long value);

}  // namespace vorn
