#include "kit/TestKit.h"
#include <QtTest>
class T : public QObject { Q_OBJECT };
VARNO_TEST_MAIN(T)
#include "tst_tray.moc"
