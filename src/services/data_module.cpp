#include "services/data_module.h"

#include "services/clipboard_monitor.h"
#include "base/document_list.h"
#include "services/interface_windows.h"
#include "base/settings_store.h"
#include "speech/mspeech.h"
#include "ui/shared_helpers.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace kalo {

TdmMain* dmMain = nullptr;

TdmMain::TdmMain(QObject* parent) : QObject(parent) {
    dmMain = this;
    // The monitor joins before anything else, and its event is bound only
    // afterwards: what is on the clipboard at start-up is never a change.
    ClipboardMonitor1 = new TClipboardMonitor(this);
    ClipboardMonitor1->SetActive(true);
    ClipboardMonitor1->SetEnabled(true);
    MSpeech1 = new TMSpeech(this);
    MSpeech1->Enabled = true;
    MSpeech1->Output = soGeneral;
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
    ClipboardMonitor1->OnClipboardChange = [this] { ClipboardMonitor1ClipboardChange(); };
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

void TdmMain::ClipboardMonitor1ClipboardChange() {
    if (!Settings.AutoSpeak)
        return;
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
    ClipboardSituation s;
    s.autoSpeak = Settings.AutoSpeak;
    s.hasText = data && data->hasText();
    const QString text = s.hasText ? data->text() : QString();
    s.characters = CharacterCount(text);
    s.ignoreLen = Settings.IgnoreLen;
    s.activeUi = Settings.ActiveUI;
    auto* cartoon = dynamic_cast<TClipboardReader*>(FormKALO.data());
    auto* converter = dynamic_cast<TClipboardReader*>(FormConverter.data());
    s.cartoonReady = cartoon && cartoon->ClipboardReady();
    s.converterExists = converter != nullptr;
    switch (DecideClipboardReaction(s)) {
    case ClipboardReaction::CartoonReads:
        cartoon->ReadClipboard(text);
        break;
    case ClipboardReaction::ConverterReads:
        converter->ReadClipboard(text);
        break;
    case ClipboardReaction::Ignore:
        break;
    }
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
