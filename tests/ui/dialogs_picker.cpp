// The special-character picker: categories, grid, preview with its code, insertion.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "dialogs_support.h"
#include "store/charbox.h"

using namespace talvesso;
using namespace talvesso::test;

class TestCharBox : public QObject {
  Q_OBJECT

  // Selects a cell as the member does, by clicking it.
  static void ClickCell(TfrmCharBox& box, int row, int column) {
    box.StringGrid1->scrollToItem(box.StringGrid1->item(row, column));
    const QRect rect = box.StringGrid1->visualRect(box.StringGrid1->model()->index(row, column));
    QTest::mouseClick(box.StringGrid1->viewport(), Qt::LeftButton, {}, rect.center());
  }

  static int FilledCells(const TfrmCharBox& box) {
    int filled = 0;
    for (int r = 0; r < box.StringGrid1->rowCount(); ++r)
      for (int c = 0; c < box.StringGrid1->columnCount(); ++c)
        if (box.StringGrid1->item(r, c) && !box.StringGrid1->item(r, c)->text().isEmpty()) ++filled;
    return filled;
  }

 private slots:
  void categoriesHaveTheirCodesAndRows_data() {
    QTest::addColumn<int>("category");
    QTest::addColumn<int>("codes");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("lastRowItems");
    QTest::addColumn<QString>("first");
    QTest::newRow("전각문자") << int(TfrmCharBox::JG) << 94 << 7 << 10 << QString::fromUtf8("！");
    QTest::newRow("도형문자") << int(TfrmCharBox::DH) << 138 << 10 << 12 << QString::fromUtf8("　");
    QTest::newRow("선/원문자") << int(TfrmCharBox::LC) << 224 << 17 << 0 << QString::fromUtf8("─");
    QTest::newRow("일본어") << int(TfrmCharBox::JP) << 171 << 13 << 3 << QString::fromUtf8("ぁ");
    QTest::newRow("단위문자") << int(TfrmCharBox::DW) << 99 << 8 << 1 << QString::fromUtf8("㎕");
    QTest::newRow("기타문자") << int(TfrmCharBox::GT) << 145 << 11 << 5 << QString::fromUtf8("Α");
    QTest::newRow("한자") << int(TfrmCharBox::HJ) << 4888 << 350 << 2 << QString::fromUtf8("伽");
  }
  void categoriesHaveTheirCodesAndRows() {
    QFETCH(int, category);
    QFETCH(int, codes);
    QFETCH(int, rows);
    QFETCH(int, lastRowItems);
    QFETCH(QString, first);
    TfrmCharBox box;
    box.SelectCategory(static_cast<TfrmCharBox::TCategory>(category));
    QCOMPARE(int(box.Codes().size()), codes);
    QCOMPARE(box.StringGrid1->rowCount(), rows);
    QCOMPARE(box.StringGrid1->columnCount(), 14);
    QCOMPARE(box.StringGrid1->item(0, 0)->text(), first);
    int inLastRow = 0;
    for (int c = 0; c < 14; ++c)
      if (box.StringGrid1->item(rows - 1, c)) ++inLastRow;
    QCOMPARE(inLastRow, lastRowItems);
  }

  void startsWithFullWidthFormsAndShowsTheCode() {
    TfrmCharBox box;
    box.show();
    QVERIFY(box.btnJG->isChecked());
    QCOMPARE(box.Label4->text(), QString::fromUtf8("코드값 :    "));
    QVERIFY(box.StaticText1->text().isEmpty());
    QCOMPARE(box.Codes().front(), std::string("\xA3\xA1"));
    ClickCell(box, 0, 0);
    QCOMPARE(box.StaticText1->text(), QString::fromUtf8("！"));
    QCOMPARE(box.Label4->text(), QString::fromUtf8("코드값 : 163+161"));
    // The last Hanja is 詰 (FD FE).
    QTest::mouseClick(box.btnHJ, Qt::LeftButton);
    QVERIFY(box.btnHJ->isChecked() && !box.btnJG->isChecked());
    ClickCell(box, 349, 1);
    QCOMPARE(box.StaticText1->text(), QString::fromUtf8("詰"));
    QCOMPARE(box.Label4->text(), QString::fromUtf8("코드값 : 253+254"));
  }

  void anEmptyCellShowsNothingAndInsertsNothing() {
    TfrmCharBox box;
    QLineEdit target("abc");
    box.SetTargetEdit(&target);
    box.show();
    QTest::mouseClick(box.btnLC, Qt::LeftButton);  // 224 codes: the 17th row stays empty
    ClickCell(box, 16, 3);
    QVERIFY(box.StaticText1->text().isEmpty());
    QCOMPARE(box.Label4->text(), QString::fromUtf8("코드값 : 0+0"));
    QTest::mouseClick(box.btnAddFolder, Qt::LeftButton);
    QCOMPARE(target.text(), QString("abc"));
  }

  void unassignedPairsShowTheirCodeButNoCharacter() {
    TfrmCharBox box;
    QLineEdit target("x");
    box.SetTargetEdit(&target);
    box.show();
    QTest::mouseClick(box.btnJP, Qt::LeftButton);
    // AA F4 is the 84th code: row 5, column 13.
    QCOMPARE(box.Codes()[83], std::string("\xAA\xF4"));
    ClickCell(box, 5, 13);
    QVERIFY(box.StaticText1->text().isEmpty());
    QCOMPARE(box.Label4->text(), QString::fromUtf8("코드값 : 170+244"));
    QTest::mouseClick(box.btnAddFolder, Qt::LeftButton);
    QCOMPARE(target.text(), QString("x"));
  }

  void switchingCategoriesLeavesNoStaleCells() {
    TfrmCharBox box;
    box.SelectCategory(TfrmCharBox::HJ);
    QCOMPARE(FilledCells(box), 4888);
    box.SelectCategory(TfrmCharBox::DW);
    QCOMPARE(box.StringGrid1->rowCount(), 8);
    QCOMPARE(FilledCells(box), 99);
  }

  void insertsAtTheCaretReplacingTheSelectionAndStaysOpen() {
    TfrmCharBox box;
    QLineEdit target("AXYB");
    target.setSelection(1, 2);  // "XY"
    bool stillOpen = false;
    WhenShown(&box, [&] {
      ClickCell(box, 0, 2);  // ＃
      const QRect rect = box.StringGrid1->visualRect(box.StringGrid1->model()->index(0, 2));
      QTest::mouseDClick(box.StringGrid1->viewport(), Qt::LeftButton, {}, rect.center());
      QTest::mouseClick(box.btnAddFolder, Qt::LeftButton);  // and once more with the button
      stillOpen = box.isVisible();
      QTest::mouseClick(box.JvXPButton1, Qt::LeftButton);
    });
    box.OpenFor(&target);
    QVERIFY(stillOpen);
    QCOMPARE(box.result(), 200);
    QCOMPARE(target.text(), QString::fromUtf8("A＃＃B"));
    QCOMPARE(target.cursorPosition(), 3);
  }

  void keepsItsCategoryBetweenShowings() {
    TfrmCharBox box;
    QLineEdit target;
    box.SelectCategory(TfrmCharBox::JP);
    WhenShown(&box, [&] { box.reject(); });
    box.OpenFor(&target);
    QVERIFY(box.btnJP->isChecked());
    QCOMPARE(int(box.Codes().size()), 171);
  }
};

QTEST_MAIN(TestCharBox)
#include "dialogs_picker.moc"
