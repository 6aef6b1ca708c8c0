#pragma once
// Errors of the run time: a number and the description the message boxes show.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace stillmar::rt {

enum ErrorNumber : int32_t {
    kInvalidProcedureCall = 5,
    kOverflow = 6,
    kDivisionByZero = 11,
    kTypeMismatch = 13,
    kFileNotFound = 53,
    kPathFileAccessError = 75,
    kPathNotFound = 76,
};

// The run time's description of `number`; "Application-defined or object-defined error" for
// a number it does not know.
std::string errorDescription(int32_t number);

class RuntimeError : public std::runtime_error {
  public:
    explicit RuntimeError(int32_t number);
    RuntimeError(int32_t number, const std::string& description);
    int32_t number() const noexcept { return number_; }
    std::string description() const { return what(); }

  private:
    int32_t number_;
};

[[noreturn]] void raise(int32_t number);

}  // namespace stillmar::rt
