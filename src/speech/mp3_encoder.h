// The call of the external MP3 encoder (lame): finds the program, runs it on
// a WAV file with the WAV path and the MP3 path as its two arguments (no
// shell, so paths need no quoting), follows its progress and can stop it.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>

namespace kalo {

// The encoder program: appFolder + "lame" when that file exists, else
// "lame" found on PATH; empty when there is neither. appFolder ends with "/".
QString FindMp3Encoder(const QString& appFolder);
// What a run without an encoder reports.
QString Mp3EncoderNotFoundMessage();

// Takes the progress percentages lame writes to its error output ("(NN%)")
// out of buffer, which collects that output. Returns the last complete one,
// or -1 when buffer holds none; text that may still grow into one is kept.
int TakeLameProgress(QByteArray& buffer);

class Mp3Encoder : public QObject {
    Q_OBJECT
public:
    explicit Mp3Encoder(QObject* parent = nullptr);
    // Stops an encoder that still runs.
    ~Mp3Encoder() override;

    // Starts the encoder on the event loop; false (see errorString) when no
    // encoder is found or it cannot be started. finished follows a start.
    bool start(const QString& appFolder, const QString& wavPath, const QString& mp3Path);
    // Stops the encoder; finished(false) follows.
    void cancel();
    bool isRunning() const;
    // Blocks until a running encoder has ended (finished is emitted before
    // it returns).
    void waitForFinished();
    // 0 to 100, as far as the encoder has told.
    int percent() const { return percent_; }
    QString errorString() const { return error_; }

signals:
    void progress(int percent);
    // ok: the encoder ran to its end with exit code 0 and was not stopped.
    void finished(bool ok);

private:
    void readProgress();
    void onFinished(int exitCode, QProcess::ExitStatus status);

    QProcess* process_ = nullptr;
    QByteArray stderrBuffer_;
    int percent_ = 0;
    bool cancelled_ = false;
    QString error_;
};

} // namespace kalo
