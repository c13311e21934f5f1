#include "sim/WireOracle.h"

#include <QTest>

using namespace vq250;

// The oracle's bytes, written out by hand from the block format. "*" marks
// a byte sent with DTR asserted.
class TestWireOracle : public QObject
{
    Q_OBJECT

private slots:
    void wire()
    {
        const QString samples8190 = QStringLiteral("80 ").repeated(8189).trimmed();
        const struct {
            const char *name;
            QByteArray samples;
            const char *destination;
            LoadEntries entries;
            QString toDevice;
            const char *fromDevice;
        } rows[] = {
            { "two samples into A1", QByteArray("\x80\x81"), "A1", { 18, "AB", true },
                "*A0 00 11 0A 01 01 00 00 02 A0 A0 A0 A0 A0 A0 A0 A0 42 41 12 57 FA "
                "*A1 00 14 00 00 11 81 80 01 00 00 02 A0 A0 A0 A0 A0 A0 A0 A0 42 41 12 57 01",
                "a0 00 11 fa a1 a1 00 14 01 73" },
            { "8190 samples in two blocks into B2", QByteArray(8190, char(0x80)), "B2",
                { 0, "", false },
                "*A0 00 11 0B 02 00 00 1F FE A0 A0 A0 A0 A0 A0 A0 A0 A0 A0 00 57 C1 "
                "*A1 1F FF 00 20 0D "
                    + samples8190
                    + " AD "
                      "*A2 00 13 00 00 10 80 00 00 1F FE A0 A0 A0 A0 A0 A0 A0 A0 A0 A0 00 57 44",
                "a0 00 11 c1 a1 a1 1f ff ad a2 a2 00 13 44 73" },
            { "one sample into slot 8 of F, name cut to 10", QByteArray("\x05"), "F8",
                { 255, "ABCDEFGHIJKL", true },
                "*A0 00 11 0F 08 01 00 00 01 4A 49 48 47 46 45 44 43 42 41 FF 57 26 "
                "*A1 00 13 00 00 10 05 01 00 00 01 4A 49 48 47 46 45 44 43 42 41 FF 57 24",
                "a0 00 11 26 a1 a1 00 13 24 73" },
        };
        for (const auto &row : rows) {
            const ExpectedWire wire = expectedWire(row.samples, row.destination, row.entries);
            QVERIFY2(markedHex(wire) == row.toDevice, row.name);
            QVERIFY2(wire.fromDevice.toHex(' ') == row.fromDevice, row.name);
        }
    }
};

QTEST_GUILESS_MAIN(TestWireOracle)
#include "tst_wireoracle.moc"
