#pragma once
// The one error type of the system: a number and a message, as the user sees them in a
// run-time error report. Every subsystem raises and traps this type.

#include <stdexcept>
#include <string>

namespace dtchart {

namespace error_number {
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int Internal = 51;
inline constexpr int FileNotFound = 53;
inline constexpr int DeviceIo = 57;
inline constexpr int InputPastEndOfFile = 62;
inline constexpr int BadFileName = 64;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int DialogCancelled = 32755;
}  // namespace error_number

class SystemError : public std::runtime_error {
public:
    SystemError(int number, const std::string& message)
        : std::runtime_error(message), number_(number) {}
    int number() const noexcept { return number_; }

private:
    int number_;
};

}  // namespace dtchart
