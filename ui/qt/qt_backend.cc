#include "ui/qt/qt_backend.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <cstdio>

#include "ui/qt/qt_dialog_window.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/window_memory.h"

namespace ui::qt {

QtBackend::QtBackend(int& argc, char** argv)
    : m_app(std::make_unique<QApplication>(argc, argv)),
      m_windowMemory(std::make_unique<WindowMemory>(WindowMemory::DefaultFile())) {
  // Modal loops come and go (the setup dialog runs before the chat window); none of them
  // closing may end the application.
  QApplication::setQuitOnLastWindowClosed(false);
  // The window class (WM_CLASS "rinu", "rinu") and the desktop entry's name, so docks and
  // task bars put the window under rinu.desktop, whatever the program file is called.
  QApplication::setApplicationName(QStringLiteral("rinu"));
  QGuiApplication::setDesktopFileName(QStringLiteral("rinu"));
  // Every text of the program is Japanese, so Qt's own texts (the edit fields' context
  // menus, the buttons of its boxes) are Japanese too, under every locale.
  m_qtTexts = std::make_unique<QTranslator>();
  if (m_qtTexts->load(QStringLiteral("qtbase_ja"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(m_qtTexts.get());
  } else {
    std::fputs(
        "rinu: Qt's Japanese texts (qtbase_ja.qm, package qt6-translations-l10n) are "
        "not installed; Qt's own texts stay English\n",
        stderr);
  }
  // Menus and message boxes in a Japanese gothic, so kanji take their Japanese forms.
  QString family = MapFontFamily(QString::fromUtf8(u8"ＭＳ Ｐゴシック"), FontFamilyInstalled);
  if (!family.isEmpty()) {
    QFont font = QApplication::font();
    font.setFamily(family);
    QApplication::setFont(font);
  }
}

namespace {

// The window a new dialog or box stays above, and gives the keyboard back to when it closes:
// the modal window on top, or a window opened beside it (the memory book) when that is the one
// the user is in.
QWidget* WindowToStayAbove() {
  QWidget* modal = QApplication::activeModalWidget();
  QWidget* active = QApplication::activeWindow();
  if (!modal) return active;
  for (QWidget* w = active; w; w = w->parentWidget()) {
    if (w == modal) return active;
  }
  return modal;
}

}  // namespace

QtBackend::~QtBackend() = default;

std::unique_ptr<DialogWindow> QtBackend::CreateDialogWindow(Dialog& dialog) {
  return std::make_unique<QtDialogWindow>(*this, dialog, WindowToStayAbove());
}

void QtBackend::MessageBox(const std::string& text) {
  ShowMessageUtf8(FromSjis(text).toStdString());
}

void QtBackend::ShowMessageUtf8(const std::string& utf8_text) {
  if (m_boxHook) {
    m_boxHook(utf8_text);
    return;
  }
  QWidget* parent = WindowToStayAbove();
  QMessageBox box(QMessageBox::Warning, QString::fromUtf8(u8"Rinu++"),
                  QString::fromStdString(utf8_text), QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
  if (parent) parent->activateWindow();
}

bool QtBackend::Confirm(const std::string& text) { return Ask(text, false); }

bool QtBackend::AskYesNo(const std::string& text) { return Ask(text, true); }

bool QtBackend::Ask(const std::string& text, bool yes_no) {
  const QString shown = FromSjis(text);
  if (m_confirmHook) return m_confirmHook(shown.toStdString());
  const QMessageBox::StandardButton yes = yes_no ? QMessageBox::Yes : QMessageBox::Ok;
  const QMessageBox::StandardButton no = yes_no ? QMessageBox::No : QMessageBox::Cancel;
  QWidget* parent = WindowToStayAbove();
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(u8"Rinu++"), shown, yes | no, parent);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  if (yes_no) box.button(yes)->setText(QString::fromUtf8(u8"はい(&Y)"));
  box.button(no)->setText(QString::fromUtf8(yes_no ? u8"いいえ(&N)" : u8"キャンセル"));
  const bool answered_yes = box.exec() == yes;
  if (parent) parent->activateWindow();
  return answered_yes;
}

bool QtBackend::ChooseFolder(const std::string& title, std::string* folder) {
  QWidget* parent = WindowToStayAbove();
  const QString chosen = QFileDialog::getExistingDirectory(
      parent, FromSjis(title), QString::fromLocal8Bit(folder->data(), folder->size()));
  if (parent) parent->activateWindow();
  if (chosen.isEmpty()) return false;
  const QByteArray path = chosen.toLocal8Bit();
  *folder = std::string(path.constData(), path.size());
  return true;
}

void QtBackend::SetConfirmHook(std::function<bool(const std::string&)> hook) {
  m_confirmHook = std::move(hook);
}

void QtBackend::SetMessageBoxHook(std::function<void(const std::string&)> hook) {
  m_boxHook = std::move(hook);
}

bool QtBackend::ShellOpen(const std::string& target) {
  const QUrl url = ShellTargetUrl(target, QDir::currentPath());
  // A missing file has nothing to open it with; the desktop would only fail later, unseen.
  if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) return false;
  // False when the desktop has no program to hand it to (no xdg-open, no browser).
  return QDesktopServices::openUrl(url);
}

}  // namespace ui::qt
