// The data module: created first and destroyed last, it holds the settings,
// the document list and the components the windows share.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace kalo {

class TClipboardMonitor;
class TMSpeech;

// How one of the shared file dialogs is set up.
struct TFileDialogSetup {
    QString title;
    QString filter;     // "Description(*.ext)|*.ext|..." pairs
    QString defaultExt; // without the dot
    QString initialDir;
    bool multiSelect = false;
    bool mustExist = false; // folder and every chosen file must exist
};

class TdmMain : public QObject {
    Q_OBJECT
public:
    // Start-up: reads kalo.dll, then the document list (the default document
    // when it is empty), then points the text dialogs at DefTxtPath. Errors
    // are reported and start-up goes on.
    explicit TdmMain(QObject* parent = nullptr);
    // Shut-down: writes kalo.dll, then filelist.dll, each on its own; each
    // failure is reported.
    ~TdmMain() override;

    // The document list: full paths of the documents, in tab order.
    QStringList FileList;

    TFileDialogSetup OpenDialogTxt;
    TFileDialogSetup SaveDialogTxt;
    TFileDialogSetup SaveDialogWav;
    TFileDialogSetup SaveDialogMp3;

    QString FileListPath() const;

    // The speech component the converter reads with.
    TMSpeech* MSpeech1 = nullptr;
    // Watches the clipboard from the module's creation to its destruction.
    TClipboardMonitor* ClipboardMonitor1 = nullptr;
    // Hands clipboard text to the interface that is running, as the settings
    // say.
    void ClipboardMonitor1ClipboardChange();

private:
    void DataModuleCreate();
    void DataModuleDestroy();
};

// The one data module of the process, or null outside its life.
extern TdmMain* dmMain;

} // namespace kalo
