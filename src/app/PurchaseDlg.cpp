#include "app/PurchaseDlg.h"

#include "app/PurchaseLink.h"
#include "platform/ui/Artwork.h"
#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QPainter>

namespace {

// Up to the largest number the host's purchase numbers take.
constexpr int NUMBER_DIGITS = 10;

}  // namespace

int CPurchaseDlg::DoModal(QWidget* owner) { return CDialogWindow::DoModal(FindDialogTemplate(IDD_PURCHASE), owner); }

bool CPurchaseDlg::CreateModeless(QWidget* owner) {
  return CDialogWindow::CreateModeless(FindDialogTemplate(IDD_PURCHASE), owner);
}

bool CPurchaseDlg::OnInitDialog() {
  GetWidget()->setWindowIcon(LoadAppIcon());
  // The header image is painted over control 1000, as in the frame.
  if (auto* header = GetControl<QFrame>(IDC_HEADER)) header->setFrameStyle(QFrame::NoFrame);
  auto* number = GetControl<QLineEdit>(IDC_PURCHASE_NO);
  auto* key = GetControl<QLineEdit>(IDC_PURCHASE_KEY);
  number->setMaxLength(NUMBER_DIGITS);
  if (Number > 0) number->setText(QString::number(Number));
  key->setText(Key);
  QObject::connect(number, &QLineEdit::textChanged, number, [this] { OnInputChanged(); });
  QObject::connect(key, &QLineEdit::textChanged, key, [this] { OnInputChanged(); });
  OnInputChanged();
  // A number given on the command line leaves only the key to type.
  (Number > 0 ? key : number)->setFocus(Qt::OtherFocusReason);
  return true;
}

bool CPurchaseDlg::ReadInput(int& number, QString& key) const {
  const QString numberText = GetDlgItemText(IDC_PURCHASE_NO);
  const int value = ReadPurchaseNumber(numberText);
  // Pasted keys often bring a line break or a space at either end.
  key = GetDlgItemText(IDC_PURCHASE_KEY).trimmed();
  if (value == 0 || key.isEmpty() || PurchaseInputProblem(numberText, key) != 0) return false;
  number = value;
  return true;
}

void CPurchaseDlg::OnInputChanged() {
  int number = 0;
  QString key;
  EnableDlgItem(IDC_OK, ReadInput(number, key));
  const int problem = PurchaseInputProblem(GetDlgItemText(IDC_PURCHASE_NO), GetDlgItemText(IDC_PURCHASE_KEY));
  SetDlgItemText(IDC_PURCHASE_PROBLEM, problem != 0 ? LoadString(problem) : QString());
}

void CPurchaseDlg::OnOK() {
  int number = 0;
  QString key;
  if (!ReadInput(number, key)) return;
  Number = number;
  Key = key;
  EndDialog(IDOK);
}

bool CPurchaseDlg::OnCommand(int commandId) {
  if (commandId != IDC_SHOW_KEY) return CDialogWindow::OnCommand(commandId);
  const auto* show = GetControl<QCheckBox>(IDC_SHOW_KEY);
  GetControl<QLineEdit>(IDC_PURCHASE_KEY)->setEchoMode(show->isChecked() ? QLineEdit::Normal : QLineEdit::Password);
  return true;
}

void CPurchaseDlg::OnPaint(QPainter& painter) {
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(GetDlgItemRect(IDC_HEADER), LoadHeaderImage());
}
