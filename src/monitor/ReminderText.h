#pragma once

#include "monitor/ChargeReminderLogic.h"

#include <QString>

namespace voltmere {

// The words for each charge-reminder status. `long` and `short` are C++
// keywords, hence the two names. Integers are written in plain decimal.
namespace ReminderText {

// The sentence shown on the Battery page's reminder card and in its copied
// text. `now` is the moment of formatting: a delivery today is written as a
// time of day, an older one with its day.
QString longText(const ChargeReminderLogic::Status &status, int target, Timestamp now);

// The phrase for the menu-bar panel's reminder row.
QString shortText(const ChargeReminderLogic::Status &status, int target);

} // namespace ReminderText

} // namespace voltmere
