#include "data/collation.h"

#include "data/sqlitehandle.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/uscript.h>

namespace {

// Texts ICU holds equal (or cannot read) keep a fixed order by their bytes, so distinct texts
// never tie and every sort of the same rows gives the same order.
int byBytes(int lengthA, const void *a, int lengthB, const void *b)
{
    const int c = std::memcmp(a, b, size_t(std::min(lengthA, lengthB)));
    if (c != 0) {
        return c < 0 ? -1 : 1;
    }
    return lengthA == lengthB ? 0 : (lengthA < lengthB ? -1 : 1);
}

// SQLite hands over UTF-8 (the collation is registered for it), which ICU compares without
// converting: about 30 ns a comparison for names of a few characters.
int pinyin(void *collator, int lengthA, const void *a, int lengthB, const void *b)
{
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r = ucol_strcollUTF8(static_cast<UCollator *>(collator), static_cast<const char *>(a),
                                                lengthA, static_cast<const char *>(b), lengthB, &status);
    if (U_SUCCESS(status) && r != UCOL_EQUAL) {
        return r == UCOL_LESS ? -1 : 1;
    }
    return byBytes(lengthA, a, lengthB, b);
}

int bytesOnly(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    return byBytes(lengthA, a, lengthB, b);
}

void closeCollator(void *collator)
{
    ucol_close(static_cast<UCollator *>(collator));
}

// The collator of the program's order, or none without ICU's data.
UCollator *openCollator()
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator *collator = ucol_open("zh", &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        return nullptr;
    }
    // Digits, then Latin letters, then Chinese by pinyin, as spreadsheet programs on Chinese
    // systems sort (ICU's Chinese order alone puts Han before Latin).
    const int32_t order[] = {UCOL_REORDER_CODE_DIGIT, USCRIPT_LATIN, USCRIPT_HAN};
    // Where ICU cannot reorder, pinyin order still holds among the Chinese names.
    UErrorCode reordered = U_ZERO_ERROR;
    ucol_setReorderCodes(collator, order, int32_t(std::size(order)), &reordered);
    return collator;
}

} // namespace

int Collation::compare(QByteArrayView a, QByteArrayView b)
{
    // One collator for each thread that compares (a collator is not shared between threads).
    thread_local const std::unique_ptr<UCollator, void (*)(UCollator *)> collator(openCollator(), [](UCollator *c) {
        if (c) {
            ucol_close(c);
        }
    });
    const int la = int(a.size()), lb = int(b.size());
    return collator ? pinyin(collator.get(), la, a.data(), lb, b.data()) : byBytes(la, a.data(), lb, b.data());
}

bool Collation::registerOn(const QSqlDatabase &db, QString *error)
{
    sqlite3 *handle = sqliteHandle(db);
    if (!handle) {
        if (error) {
            *error = QStringLiteral("数据库没有连接");
        }
        return false;
    }
    UCollator *collator = openCollator();
    int rc = SQLITE_OK;
    if (collator) {
        rc = sqlite3_create_collation_v2(handle, Name, SQLITE_UTF8, collator, pinyin, closeCollator);
        if (rc != SQLITE_OK) {
            // SQLite keeps nothing of a refused registration.
            ucol_close(collator);
        }
    } else {
        rc = sqlite3_create_collation_v2(handle, Name, SQLITE_UTF8, nullptr, bytesOnly, nullptr);
    }
    if (rc != SQLITE_OK && error) {
        *error = QString::fromUtf8(sqlite3_errstr(rc));
    }
    return rc == SQLITE_OK;
}
