#pragma once

#include <QString>

#include <stdexcept>

namespace orlaneva {

// The one exception type of the program: an error number and a Spanish description,
// which the rule for uncaught errors shows to the user before the program ends.
class Error : public std::runtime_error
{
public:
    Error(int number, const QString &description)
        : std::runtime_error(description.toStdString()),
          m_number(number),
          m_description(description)
    { }

    int number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }

private:
    int m_number;
    QString m_description;
};

// Error numbers, kept where both layers can see them.
namespace ErrorNumber {
inline constexpr int InvalidProcedureCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int TypeMismatch = 13;
inline constexpr int ObjectRequired = 424;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int FileNotFound = 53;
inline constexpr int PathNotFound = 76;
inline constexpr int PermissionDenied = 70;
inline constexpr int InvalidPicture = 481;
inline constexpr int OutOfMemory = 7;
inline constexpr int ControlNameInUse = 727;
inline constexpr int ControlNotFound = 730;
} // namespace ErrorNumber

} // namespace orlaneva
