#include "Unit1.h"

#include "Unit2.h"
#include "Unit3.h"
#include "rtl/Dialogs.h"
#include "rtl/Forms.h"
#include "rtl/SysUtils.h"
#include "store/IniFile.h"

#include <QFile>
#include <QScreen>
#include <QTimer>

TForm1 *Form1 = nullptr;
TIniFile *DiaryFile = nullptr;

namespace
{

// The sizes the window is designed at count a 4-pixel frame on each side.
constexpr int kFrame = 8;
constexpr int kNarrow = 255;
constexpr int kWide = 521;
constexpr int kClientHeight = 415;

const QString kDiaryFileName = QStringLiteral("Save.vnx");
const QString kLateAtNight = QStringLiteral("Поздно ночью");

// Keys of an entry's section, in the order a new entry receives them.
const QString kWhen = QStringLiteral("Сон был");
const QString kSensations = QStringLiteral("Ощущения");
const QString kDescription = QStringLiteral("Описание");
const QString kSeen = QStringLiteral("Виденное");
const QString kInterpretation = QStringLiteral("Трактовка");
const QString kLucidity = QStringLiteral("Степень ОС");

QString loadText(const QString &resource)
{
    QFile file(resource);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    Form1 = this;
    setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // Labels take the size of their captions.
    for (QLabel *label : GroupBox1->findChildren<QLabel *>())
        label->adjustSize();
    Label8->adjustSize();
    // The dictionary is a quarter of a million characters: it is put in place just after the
    // window is up, so that the window does not wait for it. It stays out of sight until asked
    // for; "Идет загрузка сонника..." under it says what is going on meanwhile.
    WhenOnScreen(this, [this] {
        Memo5->SetReadingFace();
        Memo5->setPlainText(loadText(QStringLiteral(":/velnora/dictionary.txt")));
    });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    Bind(ComboBox1, &TComboBox::Click, this, &TForm1::ComboBox1Click);
    Bind(ComboBox1, &TComboBox::DropDown, this, &TForm1::ComboBox1DropDown);
    Bind(TrackBar1, &QSlider::valueChanged, this, &TForm1::TrackBar1Change);
    Bind(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Bind(N2, &QAction::triggered, this, &TForm1::N2Click);
    Bind(N3, &QAction::triggered, this, &TForm1::N3Click);
    Bind(N4, &QAction::triggered, this, &TForm1::N4Click);
    Bind(N6, &QAction::triggered, this, &TForm1::N6Click);
    Bind(N8, &QAction::triggered, this, &TForm1::N8Click);
    Bind(N9, &QAction::triggered, this, &TForm1::N9Click);
    Bind(N10, &QAction::triggered, this, &TForm1::N10Click);

    setFixedSize(width(), MainMenu1->sizeHint().height() + kClientHeight);
    Guarded([this] { FormCreate(); });
    Timer1->start();

    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

TForm1::~TForm1()
{
    if (Form1 == this)
        Form1 = nullptr;
}

int TForm1::Width() const
{
    return width() + kFrame;
}

void TForm1::SetWidth(int width)
{
    setFixedSize(width - kFrame, height());
    // A hidden window hears of its new size only when shown; the status bar follows at once.
    if (!isVisible())
        Guarded([this] { FormResize(); });
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    StatusBar1->setGeometry(0, centralWidget()->height() - StatusBar1->height(),
                            centralWidget()->width(), StatusBar1->height());
    Guarded([this] { FormResize(); });
}

void TForm1::FormCreate()
{
    delete DiaryFile;
    DiaryFile = new TIniFile(ExtractFilePath(Application->ExeName()) + kDiaryFileName);
    ComboBox1->SetText(DateToStr(Date()));
    SetWidth(kNarrow);
    LoadEntry();
    StatusBar1->SetPanelText(1, QStringLiteral("Сегодня ") + DateToStr(Date()));
    ReadDates();
}

void TForm1::FormResize()
{
    StatusBar1->SetPanelWidth(1, Width() - 135);
}

void ClearEntry()
{
    TForm1 *f = Form1;
    f->ComboBox1->SetText(DateToStr(Date()));
    f->ComboBox2->SetText(kLateAtNight);
    f->Memo1->SetText(QString());
    f->Memo2->SetText(QString());
    f->Memo3->SetText(QString());
    f->Memo4->SetText(QString());
    f->Edit2->setText(QStringLiteral("0"));
    f->TrackBar1->setValue(0);
}

void LoadEntry()
{
    TForm1 *f = Form1;
    if (!DiaryFile->SectionExists(f->ComboBox1->currentText())) {
        ClearEntry();
        return;
    }
    const auto read = [f](const QString &key) {
        return DiaryFile->ReadString(f->ComboBox1->currentText(), key, QStringLiteral(" "));
    };
    f->ComboBox2->SetText(read(kWhen));
    f->Memo1->SetText(read(kSensations));
    f->Memo2->SetText(read(kDescription));
    f->Memo3->SetText(read(kSeen));
    f->Memo4->SetText(read(kInterpretation));
    f->Edit2->setText(read(kLucidity));
    f->TrackBar1->setValue(StrToInt(f->Edit2->text()));
}

void ReadDates()
{
    QStringList dates;
    DiaryFile->ReadSections(dates);
    Form1->ComboBox1->SetItems(dates);
}

void TForm1::ComboBox1Click()
{
    LoadEntry();
}

void TForm1::ComboBox1DropDown()
{
    ReadDates();
}

void TForm1::TrackBar1Change()
{
    Edit2->setText(IntToStr(TrackBar1->value()));
}

void TForm1::Timer1Timer()
{
    StatusBar1->SetPanelText(0, QStringLiteral("Записей - ") + IntToStr(ComboBox1->count()));
    StatusBar1->SetPanelText(2, TimeToStr(Time()));
}

void TForm1::N2Click()
{
    ClearEntry();
}

void TForm1::N3Click()
{
    if (Memo1->Text().isEmpty() && Memo2->Text().isEmpty() && Memo3->Text().isEmpty() &&
        Memo4->Text().isEmpty()) {
        ShowMessage(QStringLiteral("Может заполните сначала поля? :)"));
        return;
    }
    if (DiaryFile->SectionExists(ComboBox1->currentText()) &&
        MessageDlgConfirm(QStringLiteral("Запись с такой датой уже существует. Заменить?")) == mrNo)
        return;
    // The entry reaches the disk whole or not at all: a save that fails leaves the entry in the
    // file as it was, and the editor still holds what was typed.
    TIniFile::Batch entry(*DiaryFile);
    DiaryFile->WriteString(ComboBox1->currentText(), kWhen, ComboBox2->currentText());
    DiaryFile->WriteString(ComboBox1->currentText(), kSensations, Memo1->Text());
    DiaryFile->WriteString(ComboBox1->currentText(), kDescription, Memo2->Text());
    DiaryFile->WriteString(ComboBox1->currentText(), kSeen, Memo3->Text());
    DiaryFile->WriteString(ComboBox1->currentText(), kInterpretation, Memo4->Text());
    DiaryFile->WriteString(ComboBox1->currentText(), kLucidity, Edit2->text());
    entry.Commit();
    ReadDates();
}

void TForm1::N4Click()
{
    DiaryFile->EraseSection(ComboBox1->currentText());
    ClearEntry();
    ReadDates();
}

void TForm1::N6Click()
{
    SetWidth(kWide);
    Memo5->setVisible(true);
}

void TForm1::N8Click()
{
    SetWidth(kNarrow);
}

// Shows a reading window, or brings it to the front if it is open already; never a second one.
static void ShowReadingWindow(QWidget *window)
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

void TForm1::N9Click()
{
    ShowReadingWindow(Form2);
}

void TForm1::N10Click()
{
    ShowReadingWindow(Form3);
}
