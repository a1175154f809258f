#pragma once

#include <QDialog>

class CDialogWindow;

// The window half of a CDialogWindow: forwards painting, keys, context
// menus and closing to its object, and tells it when it goes away.
class CDialogWidget : public QDialog {
public:
  CDialogWidget(CDialogWindow& owner, QWidget* parent, bool child);
  ~CDialogWidget() override;

  // Keys of the window and of every control pass the object first, as a
  // dialog's message loop sees them before the focused control.
  void WatchKeys(QWidget* control);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

private:
  CDialogWindow& Owner;
};
