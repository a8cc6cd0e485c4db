// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The per-user settings store: text values under application "Tallyvane", a section and a key.
// On Linux the file is $XDG_CONFIG_HOME/Tallyvane/Tallyvane.ini.
//
// Every section and key the programs use is named here once. There is no central table of
// defaults: a reading site whose default differs from another's passes its own.
namespace settings {

// A section and key of the settings store.
struct Key {
    const char* section;
    const char* key;
};

inline constexpr Key CompanyRoot{"Path", "Company"};
inline constexpr Key RunningVersion{"Path", "Version"};
inline constexpr Key DailyLog{"Log", "Daily"};
inline constexpr Key MonthlyLog{"Log", "Monthly"};
inline constexpr Key TaxPercent{"Tax", "Percent"};
inline constexpr Key NotifyUpdates{"Updates", "Notify"};
inline constexpr Key AutoUpdate{"Updates", "Auto"};
inline constexpr Key UpdateServer{"Updates", "Server"};
inline constexpr Key ServerPort{"Server", "Port"};
inline constexpr Key GradientColor1{"Graphical", "Color1"};
inline constexpr Key GradientColor2{"Graphical", "Color2"};
inline constexpr Key ControlsColor{"Graphical", "Controls"};

// Window placement: the frame's and the item window's state and position, in twips.
struct PlacementKeys {
    Key state;
    Key left;
    Key top;
    Key width;
    Key height;
};
inline constexpr PlacementKeys FramePlacement{{"Settings", "MWState"},
                                              {"Settings", "MLeft"},
                                              {"Settings", "MTop"},
                                              {"Settings", "MWidth"},
                                              {"Settings", "MHeight"}};
inline constexpr PlacementKeys ItemWindowPlacement{{"Settings", "WState"},
                                                   {"Settings", "Left"},
                                                   {"Settings", "Top"},
                                                   {"Settings", "Width"},
                                                   {"Settings", "Height"}};

QString read(Key key, const QString& defaultValue);
void write(Key key, const QString& value);

// By texts, for tests and tools that name a key the table does not hold.
QString read(const QString& section, const QString& key, const QString& defaultValue);
void write(const QString& section, const QString& key, const QString& value);

// Flags are compared numerically: "1" and "1.0" both mean on.
bool isOn(Key key, const QString& defaultValue);

// The settings that several places read, each with the default the programs give it.
bool dailyLogOn();                                   // "Log"/"Daily", default 1
bool monthlyLogOn();                                 // "Log"/"Monthly", default 1
bool notifyUpdatesOn();                              // "Updates"/"Notify", default 1
bool autoUpdateOn();                                 // "Updates"/"Auto", default 0
QString taxPercent(const QString& defaultText);      // "0" for recordings, "0.00" in the options
QString companyRootText(const QString& defaultRoot); // as stored, blank when blank
QString serverPort();                                // "Server"/"Port", default 5723
QString updateServer(); // "Updates"/"Server", default the maker's update host

// The path of the settings file, for messages and the README.
QString fileName();

} // namespace settings
