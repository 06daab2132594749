// How long a login check and the storing of a new password take: Passwords::verify and
// Passwords::hash, beside libsodium's own Argon2id calls with the same limits (the baseline).
// Hashes that ask for unreasonable work must be refused at once, without being computed.
//
//   bench_passwords [runs]        (default 5)
#include "admin/core/passwords.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sodium.h>

using namespace Qt::StringLiterals;

namespace {
// The median of runs timings of work, in milliseconds.
double medianMs(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times << double(t.nsecsElapsed()) / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void line(const char *what, double ms, double baseline)
{
    std::printf("%-44s %9.2f ms   baseline %9.2f ms   ratio %5.2f\n", what, ms, baseline,
                baseline > 0 ? ms / baseline : 0.0);
}
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    if (sodium_init() < 0) {
        std::fprintf(stderr, "libsodium cannot start\n");
        return 1;
    }
    // The program's limits: Argon2id, two passes, 19 MiB.
    const unsigned long long ops = 2;
    const size_t mem = size_t(19) * 1024 * 1024;
    const QByteArray text = "SECRET";
    char sodiumHash[crypto_pwhash_STRBYTES];
    int failures = 0;

    const double hashBase = medianMs(runs, [&] {
        failures += crypto_pwhash_str(sodiumHash, text.constData(), quint64(text.size()), ops, mem) != 0;
    });
    QString stored;
    const double hashMs = medianMs(runs, [&] { stored = Passwords::hash(u"secret"_s); });
    line("Passwords::hash", hashMs, hashBase);

    const double verifyBase = medianMs(
        runs, [&] { failures += crypto_pwhash_str_verify(sodiumHash, text.constData(), quint64(text.size())) != 0; });
    const double verifyMs = medianMs(runs, [&] { Passwords::verify(stored, u"SECRET"_s); });
    line("Passwords::verify, accepted", verifyMs, verifyBase);
    line("Passwords::verify, refused", medianMs(runs, [&] { Passwords::verify(stored, u"WRONG"_s); }), verifyBase);

    // Hostile hashes found in a database: refused before any work.
    QString greedy = stored;
    greedy.replace(u"m=19456"_s, u"m=999999999"_s);
    QString slow = stored;
    slow.replace(u"t=2"_s, u"t=9999"_s);
    line("Passwords::verify, hash asking for 1 TB", medianMs(runs, [&] { Passwords::verify(greedy, u"SECRET"_s); }),
         verifyBase);
    line("Passwords::verify, hash asking for 9999 passes",
         medianMs(runs, [&] { Passwords::verify(slow, u"SECRET"_s); }), verifyBase);
    if (failures != 0) {
        std::fprintf(stderr, "libsodium failed %d times\n", failures);
        return 1;
    }
    return 0;
}
