#include "app/data_module.h"

#include "app/document_list.h"
#include "app/settings_store.h"
#include "ui/shared_helpers.h"

namespace kalo {

TdmMain* dmMain = nullptr;

TdmMain::TdmMain(QObject* parent) : QObject(parent) {
    dmMain = this;
    OpenDialogTxt = {QStringLiteral("Open File(s) to Read"),
                     QStringLiteral("Text Files(*.txt)|*.txt|All Files(*.*)|*.*"),
                     QStringLiteral("txt"), {}, true, true};
    SaveDialogTxt = {QStringLiteral("Save As"),
                     QStringLiteral("Text Files(*.txt)|*.txt|All Files(*.*)|*.*"),
                     QStringLiteral("txt"), {}, false, false};
    SaveDialogWav = {QStringLiteral("Convert into Wav File"), QStringLiteral("Wav Files(*.wav)|*.wav"),
                     QStringLiteral("wav"), {}, false, false};
    SaveDialogMp3 = {QStringLiteral("Convert into Mp3 File"), QStringLiteral("Mp3 Files(*.mp3)|*.mp3"),
                     QStringLiteral("mp3"), {}, false, false};
    DataModuleCreate();
}

TdmMain::~TdmMain() {
    DataModuleDestroy();
    if (dmMain == this)
        dmMain = nullptr;
}

QString TdmMain::FileListPath() const {
    return AppPath + QStringLiteral("filelist.dll");
}

void TdmMain::DataModuleCreate() {
    // An unreadable settings file is reported; every later step still runs on
    // the defaults, so the program comes up usable.
    try {
        LoadSettings();
    } catch (const KaloError& e) {
        ShowErrorBox(e.message());
    }
    FileList = ReadDocumentList(FileListPath());
    AddDefaultDocumentIfEmpty(FileList, Settings.DefTxtPath);
    OpenDialogTxt.initialDir = Settings.DefTxtPath;
    SaveDialogTxt.initialDir = Settings.DefTxtPath;
}

void TdmMain::DataModuleDestroy() {
    // Each file is written on its own: a settings file that cannot be written
    // no longer costs the user the document list.
    try {
        SaveSettings();
    } catch (const KaloError& e) {
        ShowErrorBox(e.message());
    }
    try {
        WriteDocumentList(FileListPath(), FileList);
    } catch (const KaloError& e) {
        ShowErrorBox(e.message());
    }
}

} // namespace kalo
