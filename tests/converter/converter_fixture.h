// A converter window over a scratch application folder, with every dialog,
// message and desktop request answered or recorded by the test.
#pragma once

#include "converter/converter_window.h"

#include "services/data_module.h"
#include "services/file_dialogs.h"
#include "base/settings_store.h"
#include "support/test_support.h"
#include "ui/shared_helpers.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace kalo::test {

class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(app.file("txt"));
        QDir().mkpath(app.file("wav"));
        QDir().mkpath(app.file("mp3"));
        dm = std::make_unique<TdmMain>();
        SetErrorBoxHandler([this](const QString& text) { errors << text; });
        SetMessageBoxHandler([this](const QString& text, int) { messages << text; });
        SetShellOpener([this](const QString& target, const QString& verb, int show) {
            opened << verb + " " + target + " " + QString::number(show);
        });
        SetFileDialogHandler([this](const TFileDialogSetup& setup, const QString& preset) {
            dialogs << setup.title + " | " + preset;
            return dialogAnswer;
        });
    }
    void TearDown() override {
        delete converter;
        SetErrorBoxHandler({});
        SetMessageBoxHandler({});
        SetShellOpener({});
        SetFileDialogHandler({});
        dm.reset();
    }

    QString doc(const QString& name, const QByteArray& content) {
        app.write("txt/" + name, content);
        return app.file("txt/" + name);
    }
    void open(const QStringList& files) {
        dm->FileList = files;
        converter = new TFormConverter;
        converter->AskSaveChanges = [this](const QString& path) {
            asked << path;
            return answer;
        };
        converter->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(converter));
    }
    QStringList tabs() const {
        QStringList out;
        for (int i = 0; i < converter->TabControl1->count(); ++i)
            out << converter->TabControl1->tabText(i);
        return out;
    }
    int selected() const { return converter->TabControl1->currentIndex(); }
    void type(const QString& text) {
        converter->Memo1->moveCursor(QTextCursor::End);
        converter->Memo1->insertPlainText(text);
    }

    ScratchAppFolder app;
    std::unique_ptr<TdmMain> dm;
    TFormConverter* converter = nullptr;
    QStringList errors, messages, opened, dialogs, asked;
    QStringList dialogAnswer;
    SaveChangesAnswer answer = SaveChangesAnswer::Cancel;
};

} // namespace kalo::test
