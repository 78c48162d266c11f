#pragma once

#include "ui_Unit3.h"

#include <QWidget>

// About the program: its name, a picture, who made it and how to reach them. It has no close
// box; "Ok" hides it until it is asked for again.
class TForm3 : public QWidget, private Ui::TForm3
{
    Q_OBJECT
public:
    explicit TForm3(QWidget *parent = nullptr);
    ~TForm3() override;

public slots:
    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool m_pictured = false;
};

extern TForm3 *Form3;
