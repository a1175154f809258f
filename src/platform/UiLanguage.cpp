#include "platform/UiLanguage.h"

#include <QLocale>

#include <atomic>
#include <cstring>

namespace {

std::atomic<int> OverriddenLanguage{0};

struct CLanguageId {
  const char* Locale;
  int Id;
};

// Full locale names first so that a region-specific identifier wins over
// the language's default one.
constexpr CLanguageId LANGUAGE_IDS[] = {
    {"ja_JP", 1041}, {"en_US", 1033}, {"en_GB", 2057}, {"en_AU", 3081}, {"en_CA", 4105},
    {"de_DE", 1031}, {"fr_FR", 1036}, {"es_ES", 3082}, {"it_IT", 1040}, {"ko_KR", 1042},
    {"zh_CN", 2052}, {"zh_TW", 1028}, {"pt_BR", 1046}, {"ru_RU", 1049}, {"nl_NL", 1043},
    {"ja", 1041},    {"en", 1033},    {"de", 1031},    {"fr", 1036},    {"es", 3082},
    {"it", 1040},    {"ko", 1042},    {"zh", 2052},    {"pt", 2070},    {"ru", 1049},
    {"nl", 1043},
};

}  // namespace

int LanguageIdForLocaleName(const char* localeName) {
  if (!localeName) return LANG_ENGLISH_US;
  for (const CLanguageId& entry : LANGUAGE_IDS) {
    const std::size_t length = std::strlen(entry.Locale);
    if (std::strncmp(localeName, entry.Locale, length) == 0 &&
        (localeName[length] == '\0' || localeName[length] == '_' || localeName[length] == '.' ||
         localeName[length] == '@' || localeName[length] == '-'))
      return entry.Id;
  }
  return LANG_ENGLISH_US;
}

int GetUiLanguage() {
  const int overridden = OverriddenLanguage.load(std::memory_order_relaxed);
  if (overridden != 0) return overridden;
  // QLocale::system() honours LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
  const QLocale system = QLocale::system();
  const QStringList uiLanguages = system.uiLanguages();
  QString name = uiLanguages.isEmpty() ? system.name() : uiLanguages.first();
  name.replace(QLatin1Char('-'), QLatin1Char('_'));
  return LanguageIdForLocaleName(name.toLatin1().constData());
}

void SetUiLanguage(int language) { OverriddenLanguage.store(language, std::memory_order_relaxed); }
