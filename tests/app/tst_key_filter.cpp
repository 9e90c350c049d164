#include "common/test_main.h"
#include "core/fields/key_filter.h"
#include "ui/key_preview.h"
#include "ui/start_up.h"

#include <QLocale>

using namespace selvana;

namespace {
const QLocale kItalian(QLocale::Italian, QLocale::Italy);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
} // namespace

class TestKeyFilter : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void checkKeyAscii_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        for (const auto& [name, loc] : {std::pair{"it", kItalian}, std::pair{"en", kEnglish}}) {
            const QString n = QLatin1String(name);
            QTest::newRow(qPrintable(n + " I digit")) << loc << "I"
                                                      << "12" << int('7') << -1;
            QTest::newRow(qPrintable(n + " I minus")) << loc << "I"
                                                      << "" << int('-') << 0;
            QTest::newRow(qPrintable(n + " I point")) << loc << "I"
                                                      << "1" << int('.') << 0;
            QTest::newRow(qPrintable(n + " I letter")) << loc << "I"
                                                       << "1" << int('x') << 0;
            QTest::newRow(qPrintable(n + " L like I")) << loc << "L"
                                                       << "" << int('a') << 0;
            QTest::newRow(qPrintable(n + " long tag IX")) << loc << "IX"
                                                          << "" << int('a') << 0;
            QTest::newRow(qPrintable(n + " other tag")) << loc << "Z"
                                                        << "" << int('a') << -1;
            QTest::newRow(qPrintable(n + " empty tag")) << loc << ""
                                                        << "" << int('a') << -1;
            QTest::newRow(qPrintable(n + " lower d is other")) << loc << "d"
                                                               << "" << int('a') << -1;
            QTest::newRow(qPrintable(n + " D digit")) << loc << "D"
                                                      << "1,5" << int('3') << -1;
            QTest::newRow(qPrintable(n + " D letter")) << loc << "D"
                                                       << "1" << int('e') << 0;
        }
        // Decimal comma: the comma once, then never; the point never.
        QTest::newRow("it D comma") << kItalian << "D"
                                    << "12" << 44 << -1;
        QTest::newRow("it D second comma") << kItalian << "D"
                                           << "1,2" << 44 << 0;
        QTest::newRow("it D point") << kItalian << "D"
                                    << "12" << 46 << 44;
        QTest::newRow("it D point after comma") << kItalian << "D"
                                                << "1,2" << 46 << 0;
        QTest::newRow("en D point") << kEnglish << "D"
                                    << "12" << 46 << -1;
        QTest::newRow("en D second point") << kEnglish << "D"
                                           << "1.2" << 46 << 0;
        QTest::newRow("en D comma") << kEnglish << "D"
                                    << "12" << 44 << 46;
    }
    void checkKeyAscii() {
        QFETCH(QLocale, locale);
        QFETCH(QString, tag);
        QFETCH(QString, text);
        QFETCH(int, key);
        QLocale::setDefault(locale);
        QTEST(CheckKeyAscii(tag, text, key), "result");
    }

    void dropLastChar() {
        QCOMPARE(DropLastChar(QStringLiteral("123")), QStringLiteral("12"));
        QCOMPARE(DropLastChar(QString()), QString());
    }

    // A typed character replaces the selected ones: the text it leaves must fit.
    void keyFitsTypingLimit_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("fits");
        QTest::newRow("room left") << 1 << 0 << 2 << true;
        QTest::newRow("full") << 2 << 0 << 2 << false;
        QTest::newRow("full, one selected") << 2 << 1 << 2 << true;
        QTest::newRow("longer than the limit, one selected") << 3 << 1 << 2 << false;
        QTest::newRow("longer than the limit, all selected") << 3 << 3 << 2 << true;
        QTest::newRow("no limit") << 40 << 0 << 0 << true;
    }
    void keyFitsTypingLimit() {
        QFETCH(int, length);
        QFETCH(int, selected);
        QFETCH(int, limit);
        QTEST(selvana::keyFitsTypingLimit(length, selected, limit), "fits");
    }

    // The preview judges before the box sees the key; a change handler then undoes a refused one.
    void previewSetsKeyAccepted_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::newRow("I: 1 x 2") << kItalian << "I" << 0 << "1x2"
                                  << "12";
        QTest::newRow("I: minus and point") << kEnglish << "I" << 0 << "-1.5"
                                            << "15";
        QTest::newRow("D it: comma once, point never") << kItalian << "D" << 0 << "2,5,.1"
                                                       << "2,51";
        QTest::newRow("D en: point once, comma never") << kEnglish << "D" << 0 << "2.5,.1"
                                                       << "2.51";
        QTest::newRow("untagged takes all") << kItalian << "" << 0 << "A1-x"
                                            << "A1-x";
        QTest::newRow("I: two digits at most") << kItalian << "I" << 2 << "1x234"
                                               << "12";
        QTest::newRow("D: the separator counts") << kItalian << "D" << 4 << "1,2345"
                                                 << "1,23";
        QTest::newRow("untagged: eight characters at most") << kItalian << "" << 8 << "12AB-x7yZ"
                                                            << "12AB-x7y";
    }
    void previewSetsKeyAccepted() {
        QFETCH(QLocale, locale);
        QFETCH(QString, tag);
        QFETCH(int, limit);
        QFETCH(QString, keys);
        QLocale::setDefault(locale);
        ProgramState state;
        KeyPreview preview(state);
        TaggedLineEdit box(QStringLiteral("box"), tag, limit);
        box.setKeyPreview(&preview);
        QList<bool> verdicts;
        QObject::connect(&box, &QLineEdit::textChanged, [&] {
            verdicts << state.KeyAccepted;
            if (!state.KeyAccepted) { // the numeric boxes' change handler does this
                state.KeyAccepted = true;
                box.setText(preview.before().text);
            }
        });
        QTest::keyClicks(&box, keys);
        QTEST(box.text(), "expected");
        QVERIFY(state.KeyAccepted);
        QCOMPARE(box.cursorPosition(), box.text().size());
    }

    void backspaceAlwaysAccepted() {
        ProgramState state;
        KeyPreview preview(state);
        TaggedLineEdit box(QStringLiteral("box"), QStringLiteral("I"), 3);
        box.setKeyPreview(&preview);
        box.setText(QStringLiteral("12"));
        bool seen = false;
        QObject::connect(&box, &QLineEdit::textChanged, [&] { seen = state.KeyAccepted; });
        QTest::keyClick(&box, Qt::Key_Backspace);
        QVERIFY(seen);
        QCOMPARE(box.text(), QStringLiteral("1"));
    }

    // Enter is refused in a numeric box but changes no text; the program's next text stays whole.
    void refusedKeyWithoutChangeLeavesNoVerdictBehind() {
        ProgramState state;
        KeyPreview preview(state);
        TaggedLineEdit box(QStringLiteral("box"), QStringLiteral("I"), 3);
        box.setKeyPreview(&preview);
        QTest::keyClick(&box, Qt::Key_Return);
        QVERIFY(state.KeyAccepted);
    }

    void untaggedBoxLeavesVerdictAlone() {
        ProgramState state;
        state.KeyAccepted = false;
        KeyPreview preview(state);
        TaggedLineEdit box(QStringLiteral("txtSerialNumber"), QString(), 8);
        box.setKeyPreview(&preview);
        QTest::keyClicks(&box, QStringLiteral("A"));
        QVERIFY(!state.KeyAccepted);
    }

    void bandLetter_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("band");
        QTest::newRow("V") << QStringList{"p", "V"} << "V";
        QTest::newRow("u lower") << QStringList{"p", "u"} << "U";
        QTest::newRow("UHF") << QStringList{"p", "UHF"} << "";
        QTest::newRow("blank V") << QStringList{"p", " V"} << "";
        QTest::newRow("none") << QStringList{"p"} << "";
        QTest::newRow("two arguments") << QStringList{"p", "V", "U"} << "";
    }
    void bandLetter() {
        QFETCH(QStringList, args);
        QTEST(bandLetterFromArguments(args), "band");
    }
};

SELVANA_TEST_MAIN(TestKeyFilter)
#include "tst_key_filter.moc"
