#include "pages/Parcel2Dlg00.h"

#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"

namespace {

// In message texts "//" stands for a line break.
QString WithLineBreaks(QString text) { return text.replace(QStringLiteral("//"), QStringLiteral("\n")); }

}  // namespace

// Without a message or a text the template's own text stays.
bool CParcel2Dlg00::OnInitDialog() {
  if (MessageIndex > 0) {
    const QString message = GetApp().DownloadList.GetMessageText(MessageIndex);
    if (!message.isEmpty()) SetDlgItemText(IDC_MESSAGE, WithLineBreaks(message));
  }
  if (TextId > 0) {
    const QString text = TextArgument.isEmpty() ? LoadString(TextId) : FormatString(TextId, TextArgument);
    if (!text.isEmpty()) SetDlgItemText(IDC_MESSAGE, WithLineBreaks(text));
  }
  return true;
}
