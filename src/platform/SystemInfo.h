#pragma once

#include <QString>

// The program's version as the log shows it: "%02d%d%d%02d" of major,
// minor, build and revision ("020001" for 2.0.0.1).
QString FormatProgramVersion(int major, int minor, int build, int revision);
QString GetProgramVersionText();

// The operating system's name and release as uname reports them, such as
// "Linux 6.1.0-18-amd64"; the log's system line.
QString GetSystemDescription();
