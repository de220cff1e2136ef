// A list control over the dialog's ListModel, driven as a user would drive it.
#include "ui/qt/qt_list_model.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <string>
#include <utility>
#include <vector>

#include "ui/qt/qt_test_support.h"

namespace ui::qt {
namespace {

using namespace test_support;

TEST(QtListModel, ListShowsAMillionRowsAndReportsWhatTheUserDoes) {
  ListDialog dialog;
  std::vector<size_t> picked, after_change;
  RunWith(dialog, [&](QDialog* w) {
    auto* view = Find<QTableView>(w, IDC_BOOK_LIST);
    ASSERT_NE(view, nullptr);
    QWidget* client = view->parentWidget();
    for (QWidget* c : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      EXPECT_TRUE(client->rect().contains(c->geometry())) << c->objectName().toStdString();
    }
    EXPECT_EQ(view->model()->rowCount(), 1000000);
    EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal), QVariant(Q(u8"応答")));
    EXPECT_LT(dialog.m_rows.asked, 1000u);  // only the rows in sight
    Type(Find<QLineEdit>(w, IDC_BOOK_SEARCH), QStringLiteral("ab"));
    // The program selects rows far down; the user adds one with Ctrl and double-clicks it.
    dialog.Window()->SetListSelection(IDC_BOOK_LIST, {999998, 500000, 500001});
    EXPECT_EQ(view->currentIndex().row(), 500000);
    view->scrollToTop();
    const QRect second = view->visualRect(view->model()->index(2, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, second.center());
    picked = dialog.Window()->GetListSelection(IDC_BOOK_LIST);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_TRUE(w->isVisible());  // Enter on a row activates it and closes nothing
    dialog.m_rows.count = 3;
    dialog.Window()->ListChanged(IDC_BOOK_LIST);
    EXPECT_EQ(view->model()->rowCount(), 3);
    after_change = dialog.Window()->GetListSelection(IDC_BOOK_LIST);
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(picked, (std::vector<size_t>{2, 500000, 500001, 999998}));
  EXPECT_TRUE(after_change.empty());
  EXPECT_EQ(dialog.m_searches, (std::vector<std::string>{"a", "ab"}));
  // Typing twice, the Ctrl-click (the program's own selecting is not reported), whatever
  // Qt makes of the double-click's presses, then the double-click and Enter.
  using N = std::pair<int, Notify>;
  ASSERT_GE(dialog.m_notes.size(), 5u);
  EXPECT_EQ(std::vector<N>(dialog.m_notes.begin(), dialog.m_notes.begin() + 3),
            (std::vector<N>{{IDC_BOOK_SEARCH, Notify::kEditChange},
                            {IDC_BOOK_SEARCH, Notify::kEditChange},
                            {IDC_BOOK_LIST, Notify::kListSelectionChange}}));
  EXPECT_EQ(std::vector<N>(dialog.m_notes.end() - 2, dialog.m_notes.end()),
            (std::vector<N>(2, {IDC_BOOK_LIST, Notify::kListActivate})));
}

}  // namespace
}  // namespace ui::qt
