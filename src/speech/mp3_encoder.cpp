#include "speech/mp3_encoder.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace kalo {

QString FindMp3Encoder(const QString& appFolder) {
    if (!appFolder.isEmpty()) {
        const QFileInfo bundled(appFolder + QStringLiteral("lame"));
        if (bundled.isFile() && bundled.isExecutable())
            return bundled.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(QStringLiteral("lame"));
}

QString Mp3EncoderNotFoundMessage() {
    return QStringLiteral("The MP3 encoder lame was not found");
}

int TakeLameProgress(QByteArray& buffer) {
    int last = -1;
    qsizetype consumed = 0;
    for (qsizetype open = buffer.indexOf('('); open >= 0; open = buffer.indexOf('(', open + 1)) {
        const qsizetype close = buffer.indexOf(')', open);
        if (close < 0)
            break; // may still grow into "(NN%)"
        consumed = close + 1;
        const QByteArray inside = buffer.mid(open + 1, close - open - 1).trimmed();
        if (!inside.endsWith('%'))
            continue;
        bool ok = false;
        const int value = inside.chopped(1).trimmed().toInt(&ok);
        if (ok && value >= 0 && value <= 100)
            last = value;
    }
    if (consumed > 0) {
        buffer.remove(0, consumed);
    } else if (buffer.indexOf('(') < 0) {
        buffer.clear();
    }
    // Output without progress should not pile up.
    if (buffer.size() > 4096)
        buffer = buffer.right(64);
    return last;
}

namespace {

// lame takes an argument that starts with "-" for an option (and "-" alone
// for standard input or output): such a relative path is given as "./...".
QString pathArgument(const QString& path) {
    return path.startsWith(u'-') ? QStringLiteral("./") + path : path;
}

QProcess* makeProcess(const QString& appFolder, const QString& wavPath, const QString& mp3Path,
                      QObject* parent, QString* error) {
    const QString program = FindMp3Encoder(appFolder);
    if (program.isEmpty()) {
        if (error)
            *error = Mp3EncoderNotFoundMessage();
        return nullptr;
    }
    auto* p = new QProcess(parent);
    p->setProgram(program);
    p->setArguments({pathArgument(wavPath), pathArgument(mp3Path)});
    p->setProcessChannelMode(QProcess::SeparateChannels);
    p->setStandardOutputFile(QProcess::nullDevice());
    p->setStandardInputFile(QProcess::nullDevice());
    return p;
}

} // namespace

Mp3Encoder::Mp3Encoder(QObject* parent) : QObject(parent) {}

Mp3Encoder::~Mp3Encoder() {
    if (process_) {
        process_->disconnect(this);
        if (process_->state() != QProcess::NotRunning) {
            process_->kill();
            process_->waitForFinished(5000);
        }
    }
}

bool Mp3Encoder::start(const QString& appFolder, const QString& wavPath, const QString& mp3Path) {
    if (isRunning()) {
        error_ = QStringLiteral("The MP3 encoder is already running");
        return false;
    }
    delete process_;
    process_ = makeProcess(appFolder, wavPath, mp3Path, this, &error_);
    if (!process_)
        return false;
    percent_ = 0;
    cancelled_ = false;
    stderrBuffer_.clear();
    connect(process_, &QProcess::readyReadStandardError, this, &Mp3Encoder::readProgress);
    connect(process_, &QProcess::finished, this, &Mp3Encoder::onFinished);
    process_->start();
    if (!process_->waitForStarted(10000)) {
        error_ =
            QStringLiteral("The MP3 encoder could not be started: %1").arg(process_->errorString());
        process_->disconnect(this);
        process_->deleteLater();
        process_ = nullptr;
        return false;
    }
    return true;
}

void Mp3Encoder::cancel() {
    if (!isRunning())
        return;
    cancelled_ = true;
    process_->kill();
}

void Mp3Encoder::waitForFinished() {
    if (isRunning())
        process_->waitForFinished(-1);
}

bool Mp3Encoder::isRunning() const {
    return process_ && process_->state() != QProcess::NotRunning;
}

void Mp3Encoder::readProgress() {
    stderrBuffer_ += process_->readAllStandardError();
    const int p = TakeLameProgress(stderrBuffer_);
    if (p >= 0 && p != percent_) {
        percent_ = p;
        emit progress(p);
    }
}

void Mp3Encoder::onFinished(int exitCode, QProcess::ExitStatus status) {
    readProgress();
    const bool ok = !cancelled_ && status == QProcess::NormalExit && exitCode == 0;
    if (cancelled_)
        error_ = QStringLiteral("The MP3 encoding was stopped");
    else if (status != QProcess::NormalExit)
        error_ = QStringLiteral("The MP3 encoder crashed");
    else if (exitCode != 0)
        error_ = QStringLiteral("The MP3 encoder failed (exit code %1)").arg(exitCode);
    emit finished(ok);
}

} // namespace kalo
