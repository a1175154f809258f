#include "pages/SaveLocation.h"

#include "install/DiskUtilities.h"
#include "install/FolderOperations.h"
#include "log/Log.h"
#include "platform/ui/DialogWindow.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"

#include <QDir>

QString DefaultSaveFolder(const CVolume& volume) {
  QString base = volume.BaseFolder;
  // The string puts its own separator after the base: the root gives "".
  while (base.endsWith(QLatin1Char('/'))) base.chop(1);
  return FormatString(IDS_DEFAULT_SAVE_FOLDER, base);
}

std::uint64_t GetProductSpace() {
  CParcel2App& app = GetApp();
  const CDownloadEntry* product = app.DownloadList.GetDownloadEntry(0);
  if (!product) {
    LogFatal(app.Logger, "Could not get DL-Entry0");
    return 0;
  }
  return CDownloadList::RequiredSpace(product->Size, 0);
}

bool IsOnSameVolume(const QString& a, const QString& b) {
  if (a.isEmpty() || b.isEmpty()) return false;
  const QString volume = VolumeOf(a);
  return !volume.isEmpty() && volume == VolumeOf(b);
}

std::uint64_t GetRequiredSpaceFor(const QString& folder) {
  CDownloadList& list = GetApp().DownloadList;
  if (IsOnSameVolume(list.TargetSaveDir, folder)) return list.GetRequiredSpace();
  return GetProductSpace();
}

bool HasListDelimiter(const QString& text) {
  for (const QChar c : CDownloadList::FIELD_DELIMITERS)
    if (text.contains(c)) return true;
  return false;
}

bool IsRecordableFolder(const QString& folder) {
  return !folder.isEmpty() && QDir::isAbsolutePath(folder) && folder.size() < MAX_PATH && !HasListDelimiter(folder);
}

int ShowSaveMessage(const CDialogWindow& page, int textId, unsigned type) {
  return ShowMessageBox(page.GetSafeHwnd(), LoadString(textId), LoadString(IDS_SAVE_CAPTION), type);
}

bool AcceptFolderOnNext(const CDialogWindow& page, const QString& folder, std::uint64_t free, std::uint64_t required) {
  if (folder.isEmpty() || free < required) {
    ShowSaveMessage(page, IDS_NOT_ENOUGH_SPACE, SAVE_ERROR);
    return false;
  }
  // Checked before anything is thrown away or created: a folder the list
  // file cannot record could never be resumed in.
  if (!IsRecordableFolder(folder)) {
    ShowSaveMessage(page, IDS_NOT_A_FOLDER, SAVE_ERROR);
    return false;
  }
  return true;
}
