// The exception classes of the reader. Every message is a code page 932 byte
// string (see Messages.h). Three families are kept apart even though a host
// sees -1 for all of them:
//   EVornError and its descendants  - the input is damaged or unsupported;
//   ELimitError                     - the input asks for more than our limits allow;
//   std::logic_error                - our own bug.
#pragma once

#include <stdexcept>
#include <string>

namespace vorn {

class EVornError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A stream could not deliver the bytes the reader asked for.
class EReadError : public EVornError {
 public:
  using EVornError::EVornError;
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
  using EVornError::EVornError;
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
  using EVornError::EVornError;
};

// A registry or settings-store failure.
class ERegistryError : public EVornError {
 public:
  using EVornError::EVornError;
};

// The input asks for more memory or work than one call may spend.
class ELimitError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Replaces the first %d or %s of a message template with the given text.
std::string FormatMessage(const char* pattern, const std::string& value);
std::string FormatMessage(const char* pattern, long long value);

}  // namespace vorn
