// SPDX-License-Identifier: GPL-3.0-or-later
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

QString settingKey(settings::Key key) {
    return settingKey(QLatin1String(key.section), QLatin1String(key.key));
}

QString readKey(const QString& key, const QString& defaultValue) {
    const QVariant value = store().value(key);
    return value.isValid() ? value.toString() : defaultValue;
}

void writeKey(const QString& key, const QString& value) {
    QSettings s = store();
    s.setValue(key, value);
    s.sync();
}
} // namespace

namespace settings {

QString read(Key key, const QString& defaultValue) {
    return readKey(settingKey(key), defaultValue);
}

void write(Key key, const QString& value) {
    writeKey(settingKey(key), value);
}

QString read(const QString& section, const QString& key, const QString& defaultValue) {
    return readKey(settingKey(section, key), defaultValue);
}

void write(const QString& section, const QString& key, const QString& value) {
    writeKey(settingKey(section, key), value);
}

bool isOn(Key key, const QString& defaultValue) {
    return leadingNumber(read(key, defaultValue)) == 1;
}

bool dailyLogOn() {
    return isOn(DailyLog, QStringLiteral("1"));
}

bool monthlyLogOn() {
    return isOn(MonthlyLog, QStringLiteral("1"));
}

bool notifyUpdatesOn() {
    return isOn(NotifyUpdates, QStringLiteral("1"));
}

bool autoUpdateOn() {
    return isOn(AutoUpdate, QStringLiteral("0"));
}

QString taxPercent(const QString& defaultText) {
    return read(TaxPercent, defaultText);
}

QString companyRootText(const QString& defaultRoot) {
    return read(CompanyRoot, defaultRoot);
}

QString serverPort() {
    return read(ServerPort, QStringLiteral("5723"));
}

QString updateServer() {
    return read(UpdateServer, QStringLiteral("http://updates.example.com"));
}

QString fileName() {
    return store().fileName();
}

} // namespace settings
