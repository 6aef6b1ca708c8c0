#include "platform/runtime/runtime_error.h"

namespace stillmar::rt {

std::string errorDescription(int32_t number) {
    switch (number) {
        case kInvalidProcedureCall:
            return "Invalid procedure call or argument";
        case kOverflow:
            return "Overflow";
        case kDivisionByZero:
            return "Division by zero";
        case kTypeMismatch:
            return "Type mismatch";
        case kFileNotFound:
            return "File not found";
        case kPathFileAccessError:
            return "Path/File access error";
        case kPathNotFound:
            return "Path not found";
        default:
            return "Application-defined or object-defined error";
    }
}

RuntimeError::RuntimeError(int32_t number)
    : std::runtime_error(errorDescription(number)), number_(number) {}

RuntimeError::RuntimeError(int32_t number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

void raise(int32_t number) {
    throw RuntimeError(number);
}

}  // namespace stillmar::rt
