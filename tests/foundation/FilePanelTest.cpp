#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "foundation/FilePanelDialog.h"
#include "foundation/GraphicsExporter.h"
#include "foundation/NativeName.h"
#include "foundation/NativeNameModel.h"
#include "foundation/OpenPanel.h"
#include "foundation/SavePanel.h"
#include "support/RawNames.h"

using namespace foundation;

namespace {

// A folder with a picture whose name is Latin-1 (not UTF-8), one with a UTF-8 name, and a
// Latin-1 text file that a picture filter leaves out.
class FilePanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testfiles::writeByBytes(dir.path(), "caf\xE9.png", "latin-1 picture"));
        ASSERT_TRUE(testfiles::writeByBytes(dir.path(), "caf\xC3\xA9.png", "utf-8 picture"));
        ASSERT_TRUE(testfiles::writeByBytes(dir.path(), "r\xE9sum\xE9.txt", "text"));
        window.show();
    }
    void TearDown() override { testfiles::removeFilesByBytes(dir.path()); }

    QString native(const QByteArray& name) const {
        return dir.path() + "/" + NativeName::fromNative(name);
    }
    // The view the dialog shows (list or details, as the platform prefers).
    static QAbstractItemView* listView(QFileDialog* dialog) {
        auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        auto* details = dialog->findChild<QAbstractItemView*>(QStringLiteral("treeView"));
        return dialog->isVisible() && details && details->isVisible() ? details : list;
    }
    // The names the dialog's list shows in its folder, once the folder has been read.
    // The folder's listing arrives from a thread: both test files in it are waited for.
    static void waitForListing(QAbstractItemView* view) {
        (void)QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) >= 2; });
    }
    static QStringList shownNames(QFileDialog* dialog) {
        QAbstractItemView* view = listView(dialog);
        waitForListing(view);
        QStringList names;
        for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
            names << view->model()->index(r, 0, view->rootIndex()).data().toString();
        names.sort();
        return names;
    }
    // The row showing `shown`, once the listing has it.
    static QModelIndex rowShowing(QFileDialog* dialog, const QString& shown) {
        QAbstractItemView* view = listView(dialog);
        QModelIndex found;
        (void)QTest::qWaitFor([&] {
            for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r) {
                found = view->model()->index(r, 0, view->rootIndex());
                if (found.data().toString() == shown) return true;
            }
            found = {};
            return false;
        });
        return found;
    }

    QTemporaryDir dir;
    QMainWindow window;
};

}  // namespace

TEST_F(FilePanelTest, TheOpenPanelListsAndOpensANameThatIsNotUtf8) {
    int code = -1;
    QStringList files;
    OpenPanel::Request request;
    request.nameFilters = OpenPanel::pictureNameFilters();
    OpenPanel::beginSheetForWindow(&window, request, [&](int c, const QStringList& f) {
        code = c;
        files = f;
    });
    auto* dialog = window.findChild<FilePanelDialog*>();
    ASSERT_TRUE(dialog);
    dialog->setDirectory(dir.path());
    // Through the model the dialog shows: both pictures, readable, and not the text file.
    EXPECT_EQ(shownNames(dialog), QStringList({"caf\\xE9.png", "café.png"}));
    EXPECT_EQ(listView(dialog)->model(), dialog->nativeNameModel());

    const QModelIndex latin1 = rowShowing(dialog, "caf\\xE9.png");
    ASSERT_TRUE(dialog->nativeNameModel()->isNativeRow(latin1));
    EXPECT_TRUE(latin1.flags() & Qt::ItemIsEnabled);
    EXPECT_EQ(latin1.data(QFileSystemModel::FilePathRole).toString(), native("caf\xE9.png"));
    EXPECT_EQ(latin1.siblingAtColumn(1).data().toString(), QLocale::system().formattedDataSize(15));
    EXPECT_FALSE(latin1.parent() != listView(dialog)->rootIndex());
    listView(dialog)->setCurrentIndex(latin1);
    auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->button(QDialogButtonBox::Open)->isEnabled());

    // Return on the row opens it (the dialog alone would take it for a folder and leave).
    QTest::keyClick(listView(dialog), Qt::Key_Return);
    EXPECT_EQ(code, OpenPanel::kOK);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(NativeName::toNative(files.first()), QFile::encodeName(dir.path()) + "/caf\xE9.png");
}

TEST_F(FilePanelTest, AFileGoneSinceItWasListedIsReportedAndThePanelStays) {
    FilePanelDialog dialog(&window);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(dir.path());
    listView(&dialog)->setCurrentIndex(rowShowing(&dialog, "caf\\xE9.png"));
    ASSERT_EQ(dialog.selectedFiles(), QStringList{native("caf\xE9.png")});
    testfiles::removeFilesByBytes(dir.path());
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) box->reject();
    });
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);  // not accepted
}

TEST_F(FilePanelTest, DoubleClickingTheRowOpensItInPlaceOfEnteringAFolder) {
    FilePanelDialog dialog(&window);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(dir.path());
    dialog.open();
    QAbstractItemView* view = listView(&dialog);
    const QModelIndex row = rowShowing(&dialog, "caf\\xE9.png");
    ASSERT_TRUE(row.isValid());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(row).center());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedFiles(), QStringList{native("caf\xE9.png")});
    EXPECT_EQ(dialog.directory().absolutePath(), QDir(dir.path()).absolutePath());
}

TEST_F(FilePanelTest, AFolderWhoseNameIsNotUtf8IsListedAndSaysWhyItCannotBeOpened) {
    const QByteArray folder = QFile::encodeName(dir.path()) + "/d\xE9j\xE0";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    const auto removeFolder = qScopeGuard([&] { ::rmdir(folder.constData()); });
    FilePanelDialog dialog(&window);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter("Pictures (*.png)");  // for files only
    dialog.setDirectory(dir.path());
    dialog.open();
    QAbstractItemView* view = listView(&dialog);
    const QModelIndex row = rowShowing(&dialog, "d\\xE9j\\xE0");
    ASSERT_TRUE(row.isValid());
    EXPECT_TRUE(dialog.nativeNameModel()->isNativeFolder(row));
    EXPECT_FALSE(dialog.nativeNameModel()->isNativeFolder(rowShowing(&dialog, "caf\\xE9.png")));
    EXPECT_FALSE(row.flags() & Qt::ItemIsSelectable);
    EXPECT_LT(row.row(), rowShowing(&dialog, "caf\\xE9.png").row());  // folders first
    EXPECT_TRUE(row.data(Qt::ToolTipRole).toString().contains("not valid UTF-8"));

    // Double-clicked, or typed in the field, it says why it does not open.
    QString told;
    const auto answer = [&] {
        told.clear();
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                told = box->text();
                box->accept();
            }
        });
    };
    answer();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(row).center());
    EXPECT_TRUE(told.contains("\u201Cd\\xE9j\\xE0\u201D")) << told.toStdString();
    answer();
    auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
    edit->setText("d\\xE9j\\xE0");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(told.contains("\u201Cd\\xE9j\\xE0\u201D")) << told.toStdString();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.directory().absolutePath(), QDir(dir.path()).absolutePath());
}

TEST_F(FilePanelTest, SavingOverANameThatIsNotUtf8WritesToTheSameBytes) {
    SavePanel* panel = SavePanel::savePanel(&window);
    int code = -1;
    QString chosen;
    panel->beginSheetForDirectory(dir.path(), "new.png", &window, [&](SavePanel& p, int c) {
        code = c;
        chosen = p.filename();
    });
    QFileDialog* dialog = panel->dialog();
    ASSERT_TRUE(qobject_cast<FilePanelDialog*>(dialog));
    const QModelIndex latin1 = rowShowing(dialog, "caf\\xE9.png");
    ASSERT_TRUE(latin1.isValid());
    listView(dialog)->setCurrentIndex(latin1);
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    EXPECT_EQ(name->text(), "caf\\xE9.png");
    auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_TRUE(box->button(QDialogButtonBox::Save)->isEnabled());
    box->button(QDialogButtonBox::Save)->click();
    ASSERT_EQ(code, SavePanel::kOK);
    EXPECT_EQ(chosen, native("caf\xE9.png"));

    auto exporter = GraphicsExporter::open(GraphicsExporter::subtypeForExtension("png"));
    ASSERT_TRUE(exporter);
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::red);
    exporter->setInputImage(picture);
    exporter->setOutputFile(chosen);
    ASSERT_TRUE(exporter->doExport()) << exporter->errorString().toStdString();
    EXPECT_TRUE(testfiles::readByBytes(dir.path(), "caf\xE9.png").startsWith("\x89PNG"));
    // The same three files: no name with U+FFFD next to them.
    EXPECT_EQ(testfiles::namesByBytes(dir.path()),
              QList<QByteArray>({"caf\xC3\xA9.png", "caf\xE9.png", "r\xE9sum\xE9.txt"}));
}

TEST_F(FilePanelTest, TheFieldIsReadableAndWhatItNamesIsTheFilesOwnBytes) {
    // A valid UTF-8 name holding a character of the escape range (U+EF80) is that character.
    ASSERT_TRUE(testfiles::writeByBytes(dir.path(), "pua\xEE\xBE\x80.png", "utf-8 picture"));
    const QByteArray folder = QFile::encodeName(dir.path()) + "/";
    const auto chosen = [](const FilePanelDialog& d) {
        QList<QByteArray> out;
        for (const QString& f : d.selectedFiles()) out << NativeName::toNative(f);
        return out;
    };
    {  // Typing the shown form of an existing such name opens that file.
        FilePanelDialog dialog(&window);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDirectory(dir.path());
        dialog.open();
        ASSERT_TRUE(rowShowing(&dialog, "caf\\xE9.png").isValid());
        auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
        edit->setFocus();
        QTest::keyClicks(edit, "caf\\xE9.png");
        // (Asserted: a wrong name would end in a modal "not found" message.)
        ASSERT_EQ(chosen(dialog), QList<QByteArray>{folder + "caf\xE9.png"});
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    {  // Rows the dialog's own model lists, chosen or typed.
        FilePanelDialog dialog(&window);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDirectory(dir.path());
        const QString pua = QString::fromUtf8("pua\uEF80.png");
        listView(&dialog)->setCurrentIndex(rowShowing(&dialog, pua));
        EXPECT_EQ(chosen(dialog), QList<QByteArray>{folder + "pua\xEE\xBE\x80.png"});
        listView(&dialog)->clearSelection();
        dialog.findChild<QLineEdit*>("fileNameEdit")->setText(pua);
        EXPECT_EQ(chosen(dialog), QList<QByteArray>{folder + "pua\xEE\xBE\x80.png"});
        // A file really named with the readable form's text is that file, not the bytes.
        ASSERT_TRUE(testfiles::writeByBytes(dir.path(), "r\\xE9sum\\xE9.txt", "named so"));
        dialog.findChild<QLineEdit*>("fileNameEdit")->setText("r\\xE9sum\\xE9.txt");
        listView(&dialog)->clearSelection();  // typed, not chosen from the list
        EXPECT_EQ(chosen(dialog), QList<QByteArray>{folder + "r\\xE9sum\\xE9.txt"});
    }
    {  // A proposed name is shown readably and kept, though no such file exists yet.
        SavePanel* panel = SavePanel::savePanel(&window);
        QByteArray saved;
        panel->beginSheetForDirectory(
            dir.path(), NativeName::fromNative("r\xE9sum\xE9.tif"), &window,
            [&](SavePanel& p, int) { saved = NativeName::toNative(p.filename()); });
        auto* edit = panel->dialog()->findChild<QLineEdit*>("fileNameEdit");
        EXPECT_EQ(edit->text(), "r\\xE9sum\\xE9.tif");
        edit->setText("r\\xE9sum\\xE9.png");  // as a newly chosen format renames it
        panel->dialog()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
        EXPECT_EQ(saved, folder + "r\xE9sum\xE9.png");
    }
}

TEST(NativeNameModel, FollowsTheFiltersAndTheFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(testfiles::writeByBytes(dir.path(), "caf\xE9.png", "x"));
    ASSERT_TRUE(testfiles::writeByBytes(dir.path(), ".hidden\xE9.png", "x"));
    ASSERT_TRUE(testfiles::writeByBytes(dir.path(), "plain.png", "x"));
    QFileSystemModel files;
    NativeNameModel model;
    model.setSourceModel(&files);
    const QModelIndex root = model.mapFromSource(files.setRootPath(dir.path()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return files.rowCount(model.mapToSource(root)) == 1; }));
    const auto shown = [&] {
        QStringList names;
        for (int r = 0; r < model.rowCount(root); ++r)
            names << model.index(r, 0, root).data(Qt::EditRole).toString();
        return names;
    };
    const QString latin1 = NativeName::fromNative("caf\xE9.png");
    EXPECT_EQ(shown(), QStringList({"plain.png", latin1}));
    EXPECT_EQ(model.rowCount(model.index(1, 0, root)), 0);
    EXPECT_FALSE(model.hasChildren(model.index(1, 0, root)));
    EXPECT_EQ(model.index(1, 0, root).parent(), root);
    EXPECT_FALSE(model.index(2, 0, root).isValid());

    files.setFilter(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_TRUE(QTest::qWaitFor([&] { return model.rowCount(root) == 3; }));

    files.setNameFilterDisables(false);
    files.setNameFilters({"*.jpg"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return model.rowCount(root) == 0; }));
    EXPECT_EQ(shown(), QStringList());
    // Greyed out rather than hidden when the model keeps filtered files in the list.
    files.setNameFilterDisables(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.rowCount(root) == 3; }));
    for (int r = 0; r < 3; ++r) EXPECT_FALSE(model.index(r, 0, root).flags() & Qt::ItemIsEnabled);
    testfiles::removeFilesByBytes(dir.path());
}
