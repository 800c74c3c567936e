#pragma once

#include <stdexcept>
#include <string>

namespace driftway::platform {

// A failure raised by a platform call or a program step. Handlers decide by
// policy whether to skip it, pass it on, or report it to the user; the number
// and description are what the reports show.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& description)
        : std::runtime_error(description), m_number(number) {}

    int number() const noexcept { return m_number; }
    std::string description() const { return what(); }

private:
    int m_number;
};

// Error numbers the program itself raises or recognises.
namespace error {
inline constexpr int kDialogCancelled = 32755;  // a common dialog was cancelled
inline constexpr int kNotSupported = 438;       // the object does not support the action
inline constexpr int kFileNotFound = 53;
inline constexpr int kPathNotFound = 76;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kInvalidCall = 5;
inline constexpr int kEngineFailure = -2147467259;  // unspecified engine failure
}  // namespace error

}  // namespace driftway::platform
