// What the desktop remembers of a screen's layout (see layoutmemory.h).
#include "desktop/layoutmemory.h"

#include <QPointer>
#include <QSettings>

#include "desktop/qtconvert.h"
#include "host/session.h"
#include "platform/controls.h"
#include "platform/forms.h"

namespace desktop {

namespace {

QPointer<QSettings>& Store() {
    static QPointer<QSettings> store;
    return store;
}

// "layout/<operator>/<form>/<control>/<what>"; a form's own values under its name alone.
QString KeyOf(const platform::TControl& control, const QString& what) {
    const platform::TForm* form = control.ParentForm();
    QString key = QStringLiteral("layout/") + ToQString(host::Session().operatorCode) +
                  QLatin1Char('/') + ToQString(form ? form->Name() : control.Name());
    if (form != &control) key += QLatin1Char('/') + ToQString(control.Name());
    return key + QLatin1Char('/') + what;
}

} // namespace

void SetLayoutStore(QSettings* store) {
    Store() = store;
}

QVariant RememberedLayout(const platform::TControl& control, const QString& what) {
    QSettings* store = Store();
    return store ? store->value(KeyOf(control, what)) : QVariant();
}

void RememberLayout(const platform::TControl& control, const QString& what, const QVariant& value) {
    if (QSettings* store = Store()) store->setValue(KeyOf(control, what), value);
}

} // namespace desktop
