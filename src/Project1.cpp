#include "forms/Unit1.h"
#include "forms/Unit2.h"
#include "forms/Unit3.h"
#include "rtl/Forms.h"

int main(int argc, char *argv[])
{
    TApplication application(argc, argv);
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Velnora"));
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(Form3);
    return Application->Run();
}
