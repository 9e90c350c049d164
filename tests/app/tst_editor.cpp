#include "common/editor_rig.h"
#include "common/test_main.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

using namespace selvana;
using namespace selvana::testing;

class TestEditor : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy)); }

    void unchangedWriteOfSample() {
        EditorRig r;
        QVERIFY(r.show(sampleProteusX()));
        const Image out = r.written();
        const Image in = sampleProteusX();
        for (int k = 1; k <= 63; ++k) {
            if (k == 25 || k == 50 || k == 54 || k == 55) // network 12 is not in the list
                continue;
            QVERIFY2(out[k] == in[k], qPrintable(QStringLiteral("byte %1: %2 instead of %3")
                                                     .arg(k)
                                                     .arg(out[k], 2, 16)
                                                     .arg(in[k], 2, 16)));
        }
    }
};

SELVANA_TEST_MAIN(TestEditor)
#include "tst_editor.moc"
