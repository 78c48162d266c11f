#pragma once

#include "ui_Unit2.h"

#include <QWidget>

// A short article on keeping a dream diary. Closing the window only hides it.
class TForm2 : public QWidget, private Ui::TForm2
{
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);
    ~TForm2() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool m_filled = false;
};

extern TForm2 *Form2;
