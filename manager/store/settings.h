#pragma once

#include <QString>

// The per-user settings store: text values under application "Tallyvane", a section and a key.
// Each reading site passes its own default. On Linux the file is
// $XDG_CONFIG_HOME/Tallyvane/Tallyvane.ini.
namespace settings {

QString read(const QString& section, const QString& key, const QString& defaultValue);
void write(const QString& section, const QString& key, const QString& value);

// Flags are compared numerically: "1" and "1.0" both mean on.
bool isOn(const QString& section, const QString& key, const QString& defaultValue);

// The path of the settings file, for messages and the README.
QString fileName();

} // namespace settings
