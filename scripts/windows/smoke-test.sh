#!/usr/bin/env bash
# Checks the cache of Windows dependencies (build-deps.sh) as a deployment would use it: a small
# widget program is cross-built against it, laid out with only the DLLs of the cache's lists
# (deploy-dlls.txt, test-dlls.txt) and run under Wine with the offscreen platform. It draws a
# window, writes a PDF, uses QtTest and Qt Serial Port, opens an SQLite register and loads the
# PostgreSQL driver (hence libpq and OpenSSL). Before that, every DLL the lists name must import
# only DLLs of the lists or of Windows itself: a missing one would fail only on a real machine.
#
#   scripts/windows/smoke-test.sh [--keep]     --keep: leave the build folder (its path is shown)
#   scripts/windows/smoke-test.sh --unfinished (build-deps.sh: before the cache is stamped)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/env.sh"

keep=0
unfinished=0
for arg in "$@"; do
    case "$arg" in
    --keep) keep=1 ;;
    --unfinished) unfinished=1 ;;
    *)
        echo "uso: $0 [--keep]" >&2
        exit 2
        ;;
    esac
done
if ((!unfinished && !SELVANA_WINDOWS_READY)); then
    echo "Dipendenze Windows non pronte in $SELVANA_WINDOWS_DEPS: lanciare scripts/windows/build-deps.sh" >&2
    exit 1
fi

prefix=$SELVANA_WINDOWS_PREFIX
work=$(mktemp -d "${TMPDIR:-/tmp}/selvana-windows-smoke.XXXXXX")
if ((keep)); then
    echo "Cartella di prova: $work"
else
    trap 'rm -rf "$work"' EXIT
fi
mapfile -t dlls < <(cat "$SELVANA_WINDOWS_DEPS/deploy-dlls.txt" "$SELVANA_WINDOWS_DEPS/test-dlls.txt")

# The imports of each listed DLL: ours by name, or Windows' own (Wine has a builtin of each).
wine_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
imports_ok=1
declare -A listed=()
for path in "${dlls[@]}"; do listed[$(basename "${path,,}")]=1; done
for path in "${dlls[@]}"; do
    while read -r imported; do
        imported=${imported,,}
        # api-ms-win-* names are API sets, which Windows (and Wine) resolve without a file.
        [ -n "${listed[$imported]:-}" ] || [ -f "$wine_dlls/$imported" ] ||
            [[ $imported == api-ms-win-* ]] || {
            echo "$path importa $imported, che non è tra le DLL distribuite" >&2
            imports_ok=0
        }
    done < <("$selvana_windows_triple-objdump" -p "$prefix/$path" | sed -n 's/^\s*DLL Name: //p')
done
((imports_ok))

mkdir -p "$work/src"
cat >"$work/src/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(smoke LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
find_package(Qt6 REQUIRED COMPONENTS Widgets Sql Test SerialPort)
add_executable(smoke main.cpp)
target_link_libraries(smoke PRIVATE Qt6::Widgets Qt6::Sql Qt6::Test Qt6::SerialPort)
CMAKE
cat >"$work/src/main.cpp" <<'CPP'
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QSerialPortInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QVBoxLayout>
#include <cstdio>

static int fail(const QString &what)
{
    std::fprintf(stderr, "smoke: %s\n", qPrintable(what));
    return 1;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Prova àèìòù")));
    auto *edit = new QLineEdit;
    layout->addWidget(edit);
    window.show();
    QTest::keyClicks(edit, QStringLiteral("abc"));
    if (edit->text() != QStringLiteral("abc"))
        return fail(QStringLiteral("QtTest typed %1").arg(edit->text()));
    if (window.grab().toImage().isNull())
        return fail(QStringLiteral("window not drawn"));

    const QString pdf = QStringLiteral("smoke.pdf");
    {
        QPdfWriter writer(pdf);
        QPainter painter(&writer);
        painter.drawText(100, 100, QStringLiteral("Scheda"));
    }
    QFile written(pdf);
    if (!written.open(QIODevice::ReadOnly) || !written.read(5).startsWith("%PDF"))
        return fail(QStringLiteral("no PDF written"));

    const auto ports = QSerialPortInfo::availablePorts();

    const QStringList drivers = QSqlDatabase::drivers();
    if (!drivers.contains(QStringLiteral("QSQLITE")) || !drivers.contains(QStringLiteral("QPSQL")))
        return fail(QStringLiteral("SQL drivers: %1").arg(drivers.join(u' ')));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("file"));
        db.setDatabaseName(QStringLiteral(":memory:"));
        QSqlQuery query(db);
        if (!db.open() || !query.exec(QStringLiteral("select sqlite_version()")) || !query.next())
            return fail(QStringLiteral("SQLite: %1").arg(db.lastError().text()));
        std::printf("sqlite %s\n", qPrintable(query.value(0).toString()));
    }
    {
        // Loading the driver loads libpq and OpenSSL; no server is asked.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("server"));
        if (!db.isValid())
            return fail(QStringLiteral("QPSQL driver not loaded"));
    }
    std::printf("smoke: ok (%s, %d serial ports)\n", qVersion(), int(ports.size()));
    return 0;
}
CPP

echo "== compilazione del programma di prova"
"$SELVANA_WINDOWS_QT_CMAKE" -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    >"$work/configure.log" 2>&1 || {
    cat "$work/configure.log"
    exit 1
}
cmake --build "$work/build" >"$work/build.log" 2>&1 || {
    cat "$work/build.log"
    exit 1
}

# The deployment's layout: DLLs beside the program, each plugin in its type's folder.
app=$work/app
mkdir -p "$app"
cp "$work/build/smoke.exe" "$app/"
for path in "${dlls[@]}"; do
    case "$path" in
    plugins/*)
        rel=${path#plugins/}
        mkdir -p "$app/$(dirname "$rel")"
        cp "$prefix/$path" "$app/$rel"
        ;;
    *) cp "$prefix/$path" "$app/" ;;
    esac
done

echo "== esecuzione sotto Wine ($SELVANA_WINE, prefisso $WINEPREFIX)"
mkdir -p "$WINEPREFIX"
cd "$app"
# The first run prepares the Wine prefix, which takes a while.
WINEQT_QPA_PLATFORM=offscreen timeout 600 "$SELVANA_WINE" ./smoke.exe
