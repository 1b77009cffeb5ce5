// What the desktop remembers of a screen's layout between runs: the column widths a person set
// and each window's size and position, per operator and screen.
#pragma once

#include <QString>
#include <QVariant>

class QSettings;

namespace platform {
class TControl;
}

namespace desktop {

/// Installs the store the layouts are kept in (not owned; nullptr: nothing is remembered).
void SetLayoutStore(QSettings* store);
/// The value remembered for `what` of a control of a form (a null QVariant when none).
QVariant RememberedLayout(const platform::TControl& control, const QString& what);
/// Remembers `value` for `what` of a control.
void RememberLayout(const platform::TControl& control, const QString& what, const QVariant& value);

} // namespace desktop
