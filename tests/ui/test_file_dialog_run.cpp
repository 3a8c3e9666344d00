// The save dialog of a file written in place (a recording): a file that is there already is
// taken only after the question, "Отмена" goes back to the dialog; the atomic saves never ask.
#include "ui/FileDialogRun.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>

using namespace korvel;

namespace {

// What the user does in the next modal window: choose a file in the dialog, or press a button
// of the question.
struct Answer
{
    bool inDialog;
    QString fileOrButton;
};

// Answers the modal windows as they come up; the texts of the questions asked.
QStringList answerModals(std::deque<Answer> answers, const std::function<void()>& run)
{
    QStringList questions;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || answers.empty())
            return;
        const Answer a = answers.front();
        if (auto* d = qobject_cast<QFileDialog*>(w); d && a.inDialog) {
            answers.pop_front();
            // Typed into the name field, as a user would, and accepted as Return does.
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(a.fileOrButton);
            static_cast<QDialog*>(d)->accept();
        } else if (auto* q = qobject_cast<QMessageBox*>(w); q && !a.inDialog) {
            answers.pop_front();
            questions << q->text();
            for (QAbstractButton* b : q->buttons())
                if (b->text() == a.fileOrButton)
                    b->click();
        }
    });
    timer.start();
    run();
    EXPECT_TRUE(answers.empty()) << "a window that was expected never came";
    return questions;
}

TEST(FileDialogRun, AFileThatIsThereIsTakenOnlyAfterTheQuestion)
{
    QTemporaryDir dir;
    const QString there = dir.filePath(QStringLiteral("run.twi"));
    const QString fresh = dir.filePath(QStringLiteral("run2.twi"));
    QFile f(there);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    const struct
    {
        const char* name;
        bool ask;
        std::deque<Answer> answers;
        QString chosen;
        int questions;
    } cases[] = {
        {"replace", true, {{true, there}, {false, QStringLiteral("Заменить")}}, there, 1},
        {"another name",
         true,
         {{true, there}, {false, QStringLiteral("Отмена")}, {true, fresh}},
         fresh,
         1},
        {"a new file", true, {{true, fresh}}, fresh, 0},
        {"an atomic save", false, {{true, there}}, there, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FileDialogRun run{true, {QStringLiteral("Данные с прибора (*.twi)")},
                                QStringLiteral("twi"), {}, c.ask};
        QString fileName;
        bool chosen = false;
        const QStringList questions = answerModals(
            c.answers, [&] { chosen = ExecuteFileDialog(nullptr, run, fileName, dir.path()); });
        EXPECT_TRUE(chosen);
        EXPECT_EQ(fileName, c.chosen);
        ASSERT_EQ(questions.size(), c.questions);
        if (!questions.isEmpty()) {
            EXPECT_TRUE(questions.front().contains(there)) << "the question names the file";
        }
    }
}

} // namespace
