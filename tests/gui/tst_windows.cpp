#include "GuiTest.h"

#include "forms/Unit2.h"
#include "forms/Unit3.h"

#include <QScrollBar>

class TestWindows : public QObject
{
    Q_OBJECT
private slots:
    void statusBarShowsItsDesignUntilTheFirstTick();
    void eachTickRefreshesCountAndClock();
    void countFollowsTheDateListAtTheNextTick();
    void dictionaryWidensAndNarrowsTheWindow_data();
    void dictionaryWidensAndNarrowsTheWindow();
    void dictionaryKeepsItsPlace();
    void readingWindowsOpenOnceAndHide();
    void closingTheMainWindowEndsTheProgram();
};

void TestWindows::statusBarShowsItsDesignUntilTheFirstTick()
{
    FormFixture f(cp1251(entryText("01.12.2026", "Поздно ночью", "Лес", "2")));
    f.open();
    TStatusBar *bar = f.statusBar();
    QCOMPARE(bar->PanelText(0), "Записей - 0");
    QCOMPARE(bar->PanelText(1), "Сегодня 11.12.2026");
    QCOMPARE(bar->PanelText(2), "12:00:00");
    QCOMPARE(bar->PanelWidth(0), 75);
    QCOMPARE(bar->PanelWidth(1), 120);
    QCOMPARE(bar->PanelWidth(2), 80);
    QCOMPARE(bar->width(), f.form->centralWidget()->width());
}

void TestWindows::eachTickRefreshesCountAndClock()
{
    FormFixture f(cp1251(entryText("01.12.2026", "Поздно ночью", "Лес", "2") +
                         "[без ключей]\r\n")); // a section without keys is still listed
    f.open();
    f.form->Timer1Timer();
    QCOMPARE(f.statusBar()->PanelText(0), "Записей - 2");
    QCOMPARE(f.statusBar()->PanelText(2), TimeToStr(QTime(3, 4, 5)));

    // Past midnight the clock moves on and the day shown stays the day the program started.
    SetClock([] { return QDateTime(QDate(2026, 12, 12), QTime(0, 0, 7)); });
    f.form->Timer1Timer();
    QCOMPARE(f.statusBar()->PanelText(2), TimeToStr(QTime(0, 0, 7)));
    QCOMPARE(f.statusBar()->PanelText(1), "Сегодня 11.12.2026");
}

void TestWindows::countFollowsTheDateListAtTheNextTick()
{
    FormFixture f(cp1251(entryText("01.12.2026", "Поздно ночью", "Лес", "2")));
    f.open();
    f.form->Timer1Timer();
    QCOMPARE(f.statusBar()->PanelText(0), "Записей - 1");

    f.memo(2)->setPlainText("Море");
    f.trigger("N3");
    QCOMPARE(f.statusBar()->PanelText(0), "Записей - 1"); // until the clock ticks
    f.form->Timer1Timer();
    QCOMPARE(f.statusBar()->PanelText(0), "Записей - 2");

    f.dateBox()->SetText("01.12.2026");
    f.trigger("N4");
    f.form->Timer1Timer();
    QCOMPARE(f.statusBar()->PanelText(0), "Записей - 1");
}

void TestWindows::dictionaryWidensAndNarrowsTheWindow_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("dictionaryShown");
    QTest::newRow("at start") << QStringList() << 255 << false;
    QTest::newRow("show") << QStringList{"N6"} << 521 << true;
    QTest::newRow("show twice") << QStringList{"N6", "N6"} << 521 << true;
    QTest::newRow("hide when narrow") << QStringList{"N8"} << 255 << false;
    QTest::newRow("show, hide") << QStringList{"N6", "N8"} << 255 << true;
    QTest::newRow("show, hide, show") << QStringList{"N6", "N8", "N6"} << 521 << true;
}

void TestWindows::dictionaryWidensAndNarrowsTheWindow()
{
    QFETCH(QStringList, commands);
    QFETCH(int, width);
    QFETCH(bool, dictionaryShown);
    FormFixture f;
    f.open();
    for (const QString &command : commands)
        f.trigger(command.toLatin1());
    QCOMPARE(f.form->Width(), width);
    QCOMPARE(f.statusBar()->PanelWidth(1), width - 135);
    QCOMPARE(f.statusBar()->width(), f.form->centralWidget()->width());
    QCOMPARE(f.child<QWidget>("Memo5")->isVisibleTo(f.form.get()), dictionaryShown);
    const auto *group = f.child<QWidget>("GroupBox2");
    QCOMPARE(group->geometry().right() < f.form->centralWidget()->width(), width == 521);
    QCOMPARE(f.child<QLabel>("Label8")->text(), "Идет загрузка сонника...");
}

void TestWindows::dictionaryKeepsItsPlace()
{
    FormFixture f;
    f.open();
    f.trigger("N6");
    auto *dictionary = f.child<TMemo>("Memo5");
    QVERIFY(dictionary->isReadOnly());
    QTRY_VERIFY(dictionary->toPlainText().startsWith("     Абажур (бумажный):"));
    QScrollBar *bar = dictionary->verticalScrollBar();
    QVERIFY(bar->maximum() > 1000);
    bar->setValue(bar->maximum() / 3);
    const int place = bar->value();
    f.trigger("N8");
    f.trigger("N6");
    QCOMPARE(bar->value(), place);
}

void TestWindows::readingWindowsOpenOnceAndHide()
{
    FormFixture f;
    f.open();
    TForm2 article;
    TForm3 about;
    QVERIFY(!article.isVisible());
    QVERIFY(!about.isVisible());
    QCOMPARE(article.windowTitle(), "Статья");
    QCOMPARE(about.windowTitle(), "О программе");
    QVERIFY(!(about.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(about.pos(), QPoint(230, 146));

    const int windowsBefore = int(QApplication::topLevelWidgets().size());
    f.trigger("N9");
    f.trigger("N10");
    QVERIFY(article.isVisible());
    QVERIFY(about.isVisible());
    QVERIFY(article.findChild<TMemo *>("Memo1")->Text().startsWith("Как записывать сны"));
    QCOMPARE(about.findChild<QLabel *>("Image1")->pixmap().size(), QSize(60, 80)); // the JPEG
    f.trigger("N9");
    QVERIFY(article.isVisible());
    QCOMPARE(int(QApplication::topLevelWidgets().size()), windowsBefore);
    QVERIFY(f.form->isEnabled()); // neither window is modal

    QVERIFY(article.close());
    QVERIFY(!article.isVisible());
    QTest::mouseClick(about.findChild<QPushButton *>("Button1"), Qt::LeftButton);
    QVERIFY(!about.isVisible());

    f.trigger("N9");
    f.trigger("N10");
    QVERIFY(article.isVisible() && about.isVisible()); // the same windows, shown again
    article.hide();
    about.hide();
}

void TestWindows::closingTheMainWindowEndsTheProgram()
{
    FormFixture f;
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(Form3);
    QTimer::singleShot(0, [] {
        Form2->show();
        Form3->show();
        Form1->close();
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); }); // not ended: fail, don't hang
    QVERIFY(QApplication::windowIcon().isNull());
    QCOMPARE(Application->Run(), 0);
    // The icon came once the main window was up.
    QCOMPARE(QApplication::windowIcon().availableSizes(),
             (QList<QSize>{QSize(16, 16), QSize(32, 32), QSize(48, 48)}));
    Form2->hide();
    Form3->hide();
}

VELNORA_GUI_TEST_MAIN(TestWindows)
#include "tst_windows.moc"
