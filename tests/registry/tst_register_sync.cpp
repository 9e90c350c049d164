#include "common/test_main.h"
class T : public QObject {
    Q_OBJECT
};
SELVANA_TEST_MAIN(T)
#include "tst_register_sync.moc"
