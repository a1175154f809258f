#pragma once

// Windows language identifiers, the program's language currency.
enum EUiLanguage { LANG_ENGLISH_US = 1033, LANG_JAPANESE = 1041 };

// The user-interface language as a Windows language identifier: read from
// the process locale (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) unless
// SetUiLanguage has overridden it for the whole process. Safe on any thread.
int GetUiLanguage();
void SetUiLanguage(int language);

// The identifier for a locale name such as "ja_JP.UTF-8"; 1033 when unknown.
int LanguageIdForLocaleName(const char* localeName);
