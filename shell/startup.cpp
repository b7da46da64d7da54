#include "startup.h"

#include "hlavni.h"
#include "programfolder.h"

#include "dialogs.h"
#include "guard.h"

void StartUp(TForm1 &form, ProcessList &processes, const QString &programFile)
{
    const QString version = GetVersionText(programFile);
    form.setVersionText(version);
    form.setWindowTitle(form.windowTitle() + QStringLiteral("  v. ") + version);

    form.BuildLanguageList();
    form.ReadStartSettings();
    form.LoadLanguage();

    CheckConflictingProcess({processes, Dialogs::instance(),
                             GuardTexts::fromMessageTexts(form.messageTexts()), &form,
                             std::chrono::milliseconds(300)});

    form.selectPage(form.AktivniSMS()->isChecked() ? TForm1::SmsPageIndex : TForm1::InfoPageIndex);
    form.runGuarded([&form] { form.refreshClick(); });
}
