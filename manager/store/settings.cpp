#include "manager/store/settings.h"

#include "manager/store/numbertext.h"

#include <QSettings>

namespace {
QSettings store() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tallyvane"),
                     QStringLiteral("Tallyvane"));
}

QString settingKey(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}
} // namespace

namespace settings {

QString read(const QString& section, const QString& key, const QString& defaultValue) {
    const QVariant value = store().value(settingKey(section, key));
    return value.isValid() ? value.toString() : defaultValue;
}

void write(const QString& section, const QString& key, const QString& value) {
    QSettings s = store();
    s.setValue(settingKey(section, key), value);
    s.sync();
}

bool isOn(const QString& section, const QString& key, const QString& defaultValue) {
    return Val(read(section, key, defaultValue)) == 1;
}

QString fileName() {
    return store().fileName();
}

} // namespace settings
