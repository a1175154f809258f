#include "platform/QtTranslations.h"

#include "platform/UiLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

// Lives until the process ends: an installed translator must outlive every
// widget that asks it for a text.
std::unique_ptr<QTranslator> InstalledTranslator;

}  // namespace

bool UseQtStandardTexts(int language) {
  if (InstalledTranslator) {
    QCoreApplication::removeTranslator(InstalledTranslator.get());
    InstalledTranslator.reset();
  }
  if (language != LANG_JAPANESE) return true;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  if (!QCoreApplication::installTranslator(translator.get())) return false;
  InstalledTranslator = std::move(translator);
  return true;
}
