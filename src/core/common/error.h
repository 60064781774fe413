#pragma once

#include <QString>

#include <functional>
#include <new>
#include <stdexcept>

namespace qorn {

// The one exception type of the program. Its number is the run-time error number that the
// commands map onto the shared message table, so the numbers below are part of the contract.
class Error : public std::runtime_error {
public:
    explicit Error(int number, const QString& description = {})
        : std::runtime_error(description.toStdString()), number_(number), description_(description) {}
    int number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }

private:
    int number_;
    QString description_;
};

namespace err {
// Imaging failures.
constexpr int OutOfMemory = 20001;
constexpr int Damaged = 20009;
constexpr int FileNotFound = 20010;
constexpr int Unsupported = 20016;
constexpr int WriteFailure = 32107;
// An out-of-range gauge: hexadecimal 80047D70 read as a signed 32-bit number.
constexpr int InvalidValue = -2147189392;
// A common dialog closed with Cancel; never reported.
constexpr int Cancelled = 32755;
// Run-time numbers of the failures the file commands meet.
constexpr int Overflow = 6;
constexpr int NoMemory = 7;
constexpr int SubscriptOutOfRange = 9;
constexpr int TypeMismatch = 13;
constexpr int FileNotFoundOs = 53;
constexpr int IoError = 57;
constexpr int DiskFull = 61;
constexpr int InputPastEnd = 62;
constexpr int BadFileName = 64;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
// Anything else that went wrong inside the program.
constexpr int Internal = 51;
} // namespace err

// Runs one command's work. Whatever fails inside it, a failed allocation included, comes back
// as its run-time number instead of leaving the command; 0 when it succeeded.
int trapErrors(const std::function<void()>& work) noexcept;

} // namespace qorn
