#include "profilenames.h"

#include <QTest>

class TestFileNames : public QObject
{
    Q_OBJECT

private slots:
    void versionFile_data();
    void versionFile();
    void numericText_data();
    void numericText();
};

void TestFileNames::versionFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");

    // Every type, multi-digit and zero-padded versions, dotted and empty model names.
    QTest::newRow("two-digit version") << "bracket.prt.12" << true;
    QTest::newRow("leading zeros") << "bracket.prt.007" << true;
    QTest::newRow("dotted model name") << "a.b.asm.3" << true;
    QTest::newRow("empty model name") << ".prt.1" << true;
    QTest::newRow("trail file") << "trail.txt.45" << true;
    QTest::newRow("section") << "pipe.sec.2" << true;
    QTest::newRow("bom") << "list.bom.9" << true;
    QTest::newRow("drawing") << "plan.drw.1" << true;
    QTest::newRow("blank before version") << "a.prt. 1" << true;
    QTest::newRow("exponent version") << "a.prt.1e5" << true;
    QTest::newRow("signed version") << "a.prt.+3" << true;
    QTest::newRow("spaces and unicode in model") << "Gehäuse Deckel.prt.4" << true;
    QTest::newRow("model looks like a version file") << "a.prt.x.prt.3" << true;
    QTest::newRow("digit glued to type") << "a.prt1.5" << false;

    QTest::newRow("no version") << "bracket.prt" << false;
    QTest::newRow("upper-case type") << "bracket.PRT.3" << false;
    QTest::newRow("mixed-case type") << "bracket.Prt.3" << false;
    QTest::newRow("letter in version") << "bracket.prt.1x" << false;
    QTest::newRow("unknown type") << "notes.doc.2" << false;
    QTest::newRow("first version dot wins") << "bracket.prt.1.2" << false;
    QTest::newRow("no type dot asm") << "xasm.1" << false;
    QTest::newRow("no type dot bom") << "mybom.2" << false;
    QTest::newRow("no room for type") << "prt.1" << false;
    QTest::newRow("short name") << "ab.1" << false;
    QTest::newRow("number") << "1.5" << false;
    QTest::newRow("digits only") << "123" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("dot at end") << "a.prt." << false;
    QTest::newRow("exponent without digits") << "a.prt.1e" << false;
    QTest::newRow("two signs") << "a.prt.+-1" << false;
    QTest::newRow("type glued to model") << "a.xprt.1" << false;
}

void TestFileNames::versionFile()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    QCOMPARE(isProEngVersionFile(name), accepted);
}

void TestFileNames::numericText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");

    QTest::newRow("digits") << "12" << true;
    QTest::newRow("blanks around") << "  42 " << true;
    QTest::newRow("decimal point") << "1.5" << true;
    QTest::newRow("leading point") << ".5" << true;
    QTest::newRow("exponent") << "1e5" << true;
    QTest::newRow("signed exponent") << "2E-3" << true;

    QTest::newRow("empty") << "" << false;
    QTest::newRow("sign alone") << "+" << false;
    QTest::newRow("letter after digits") << "1x" << false;
    QTest::newRow("two points") << "1.2.3" << false;
    QTest::newRow("hexadecimal") << "0x1F" << false;
}

void TestFileNames::numericText()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QCOMPARE(isNumericText(text), numeric);
}

QTEST_APPLESS_MAIN(TestFileNames)
#include "test_filenames.moc"
