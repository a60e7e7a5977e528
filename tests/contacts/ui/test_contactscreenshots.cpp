#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSet>
#include <QTest>

#include "ContactBookFixture.h"
#include "contacts/ui/frmAddAttributeGroup.h"
#include "contacts/ui/frmFindContact.h"

using namespace book;

namespace {

// How many pixels of the image are close to that colour (text is drawn smoothed).
int pixelsOf(const QImage& image, const QColor& colour)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QColor c = rgb.pixelColor(x, y);
            n += std::abs(c.red() - colour.red()) < 60 && std::abs(c.green() - colour.green()) < 60 &&
                         std::abs(c.blue() - colour.blue()) < 60
                     ? 1
                     : 0;
        }
    }
    return n;
}

int distinctColours(const QImage& image)
{
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            seen.insert(image.pixel(x, y));
    return int(seen.size());
}

} // namespace

// The contact book as a user sees it, in list and in tree view, saved under build/screenshots/ for people
// to look at and checked for what must be on it: the whole window, drawn, with the group colours.
class TestContactScreenshots : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listAndTree();
    void groupEditorAndFindWindow();
};

void TestContactScreenshots::listAndTree()
{
    Fixture f;
    f.store(contact(QStringLiteral("Ann Archer"), {QStringLiteral("(212) 555-0101 (Home)"), QStringLiteral("555-0102")},
                    QStringLiteral("VIP Callers")));
    f.store(contact(QStringLiteral("Bob Baker"), {QStringLiteral("555-0201 (Work)")}, QStringLiteral("VIP Callers")));
    f.store(contact(QStringLiteral("Telemarketer"), {QStringLiteral("(800) 555-0000")}, QStringLiteral("Block Calls")));
    f.store(contact(QStringLiteral("Dee Dalton"), {QStringLiteral("555-0401 (Cellular)")}));
    clsContact carl = contact(QStringLiteral("Carl Cole"), {QStringLiteral("555-0301")}, QStringLiteral("Default"));
    carl.OtherInfo = QStringLiteral("Plumber, calls on Mondays.");
    f.store(carl);

    const QString dir = qEnvironmentVariable("VELQUON_BUILD_DIR", QDir::tempPath()) + QStringLiteral("/screenshots");
    QVERIFY(QDir().mkpath(dir));

    frmContacts* w = f.open();
    w->SetContact(QStringLiteral("Carl Cole"));
    QCoreApplication::processEvents();
    const QImage list = w->grab().toImage();
    const QString listFile = dir + QStringLiteral("/contacts-list.png");
    QVERIFY(list.save(listFile));
    QCOMPARE(list.size(), w->size() * w->devicePixelRatio());
    QVERIFY(QFileInfo(listFile).size() > 5000);
    QVERIFY(distinctColours(list) > 20);
    // "Telemarketer" is listed in its group's red, "Ann Archer" in green.
    QVERIFY(pixelsOf(list, QColor(255, 0, 0)) > 10);
    QVERIFY(pixelsOf(list, QColor(0, 255, 0)) > 10);

    TRIGGER(w, QStringLiteral("mnuViewTree"));
    w->SetContact(QStringLiteral("Ann Archer"));
    w->tvwContacts->expandAll();
    QCoreApplication::processEvents();
    const QImage tree = w->grab().toImage();
    const QString treeFile = dir + QStringLiteral("/contacts-tree.png");
    QVERIFY(tree.save(treeFile));
    QCOMPARE(tree.size(), list.size());
    QVERIFY(distinctColours(tree) > 20);
    // The group nodes in their colours (Default is blue), and a picture that differs from the list's.
    QVERIFY(pixelsOf(tree, QColor(0, 0, 255)) > 10);
    QVERIFY(pixelsOf(tree, QColor(0, 255, 0)) > 10);
    QVERIFY(tree != list);
}

void TestContactScreenshots::groupEditorAndFindWindow()
{
    Fixture f;
    f.store(contact(QStringLiteral("North"), {QStringLiteral("555-0101")}));
    f.store(contact(QStringLiteral("Northgate"), {QStringLiteral("555-0102")}));
    const QString dir = qEnvironmentVariable("VELQUON_BUILD_DIR", QDir::tempPath()) + QStringLiteral("/screenshots");
    QVERIFY(QDir().mkpath(dir));
    frmContacts* w = f.open();

    frmAddAttributeGroup editor(w);
    editor.setMode(QStringLiteral("edit"), QStringLiteral("VIP Callers"));
    editor.fill(QStringLiteral("VIP Callers"), 65280, true, QStringLiteral("Speech"));
    editor.show();
    QCoreApplication::processEvents();
    const QImage group = editor.grab().toImage();
    const QString groupFile = dir + QStringLiteral("/attribute-group-editor.png");
    QVERIFY(group.save(groupFile));
    QCOMPARE(group.size(), editor.size() * editor.devicePixelRatio());
    QVERIFY(distinctColours(group) > 10);
    // The colour box shows the group's green.
    QVERIFY(pixelsOf(group, QColor(0, 255, 0)) > 100);
    editor.close();

    TRIGGER(w, QStringLiteral("mnuEditFind"));
    frmFindContact* find = frmFindContact::instance(false);
    QVERIFY(find);
    find->cboConditions->setEditText(QStringLiteral("north*"));
    find->cmdFind_Click();
    QCoreApplication::processEvents();
    const QImage found = find->grab().toImage();
    const QString findFile = dir + QStringLiteral("/find-contact.png");
    QVERIFY(found.save(findFile));
    QVERIFY(QFileInfo(findFile).size() > 2000);
    QVERIFY(distinctColours(found) > 10);
    // The texts of the labels and the two results: not a blank window.
    QVERIFY(pixelsOf(found, QColor(0, 0, 0)) > 50);
    delete find;
}

QTEST_MAIN(TestContactScreenshots)
#include "test_contactscreenshots.moc"
