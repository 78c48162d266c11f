#pragma once

#include "ui_Unit1.h"

#include <QMainWindow>

class QTimer;
class TIniFile;

// The main window: the entry editor on the left, the dream dictionary on the right (out of
// sight until asked for), the status bar along the bottom.
class TForm1 : public QMainWindow, private Ui::TForm1
{
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // The window's outer width, frame included, as the window's sizes are given: 255 narrow
    // (editor only), 521 wide (editor and dictionary).
    int Width() const;
    void SetWidth(int width);

public slots:
    void FormCreate();
    void FormResize();
    void ComboBox1Click();
    void ComboBox1DropDown();
    void TrackBar1Change();
    void Timer1Timer();
    void N2Click();
    void N3Click();
    void N4Click();
    void N6Click();
    void N8Click();
    void N9Click();
    void N10Click();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    friend void ClearEntry();
    friend void LoadEntry();
    friend void ReadDates();

    QTimer *Timer1 = nullptr;
};

extern TForm1 *Form1;
extern TIniFile *DiaryFile;

// Blanks the editor for a new entry dated today; writes nothing.
void ClearEntry();
// Shows the entry named in the date box, or a blank one dated today when there is none.
void LoadEntry();
// Refills the date list from the diary file, keeping the text in the box.
void ReadDates();
