// parvell-jet-read FILE: prints the user tables of a Jet 3, Jet 4 or ACE database as
// newline-delimited JSON on its standard output, for the import of an office's old data.
//
//   {"file":{"format":"Jet4","codePage":936,"text":"UTF-16LE"},"tables":[{"name":"房屋资料","rows":120},…]}
//   {"table":"房屋资料","rows":120,"columns":[{"name":"房屋代码","type":"text"},…]}
//   ["A101","一号楼",null,"3.5000","1974-09-21 00:00:00","1",…]
//   {"row":[…],"truncated":[7]}          a row one of whose values filled its buffer
//   {"end":"房屋资料","rows":120}
//   {"done":true}
//
// Every value is the text mdbtools gives for it (currency exactly, "3.5000"; dates as
// "YYYY-MM-DD HH:MM:SS"; yes/no as "1"/"0"), or null. Without the last line the reading did
// not finish. The library is not trusted with damaged files, so the program that imports runs
// this one in a process of its own, with limits on time and memory.
//
// This is the one file that includes mdbtools.h (and with it glib).

// mdbtools.h includes glib.h inside extern "C", where glib's C++ templates cannot stand: glib
// comes first, so that the second inclusion is empty.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <glib.h>
#include <iconv.h>
#include <mdbtools.h>
#include <memory>
#include <string>
#include <vector>

namespace {

// Each bound value gets a buffer this large; a value that fills it was cut short.
constexpr size_t BindSize = size_t(1) << 20;
constexpr int RowOffsetMask = 0x1fff;

std::string out;

void flush()
{
    if (!out.empty() && std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) {
        std::exit(4); // the importing program went away
    }
    out.clear();
}

void endLine()
{
    out += '\n';
    if (out.size() >= (size_t(1) << 16)) {
        flush();
    }
}

// The length of the valid UTF-8 sequence starting at s (at most n bytes), or 0 when there is
// none there.
size_t utf8Length(const unsigned char *s, size_t n)
{
    const unsigned char c = s[0];
    size_t len = 0;
    unsigned min = 0;
    unsigned cp = 0;
    if (c < 0x80) {
        return 1;
    } else if ((c & 0xe0) == 0xc0) {
        len = 2, min = 0x80, cp = c & 0x1f;
    } else if ((c & 0xf0) == 0xe0) {
        len = 3, min = 0x800, cp = c & 0x0f;
    } else if ((c & 0xf8) == 0xf0) {
        len = 4, min = 0x10000, cp = c & 0x07;
    } else {
        return 0;
    }
    if (len > n) {
        return 0;
    }
    for (size_t i = 1; i < len; ++i) {
        if ((s[i] & 0xc0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (s[i] & 0x3f);
    }
    if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) {
        return 0;
    }
    return len;
}

// A JSON string. Control characters are escaped; a byte that begins no valid UTF-8 sequence
// becomes U+FFFD, so the line is always valid JSON.
void string(const char *text, size_t n)
{
    static const char hex[] = "0123456789abcdef";
    const auto *s = reinterpret_cast<const unsigned char *>(text);
    out += '"';
    size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
            ++i;
        } else if (c < 0x20 || c == 0x7f) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
            ++i;
        } else if (c < 0x80) {
            out += char(c);
            ++i;
        } else if (const size_t len = utf8Length(s + i, n - i)) {
            out.append(text + i, len);
            i += len;
        } else {
            out += "\\ufffd";
            ++i;
        }
    }
    out += '"';
}

void string(const char *text)
{
    string(text, std::strlen(text));
}

const char *typeName(int type)
{
    switch (type) {
    case MDB_BOOL:
        return "bool";
    case MDB_BYTE:
        return "byte";
    case MDB_INT:
        return "int";
    case MDB_LONGINT:
        return "long";
    case MDB_MONEY:
        return "currency";
    case MDB_FLOAT:
        return "float";
    case MDB_DOUBLE:
        return "double";
    case MDB_DATETIME:
        return "datetime";
    case MDB_BINARY:
        return "binary";
    case MDB_TEXT:
        return "text";
    case MDB_OLE:
        return "ole";
    case MDB_MEMO:
        return "memo";
    case MDB_REPID:
        return "guid";
    case MDB_NUMERIC:
        return "numeric";
    case MDB_COMPLEX:
        return "complex";
    default:
        return "unknown";
    }
}

// Binary and OLE values are not text; they are given as null.
bool readable(int type)
{
    return type != MDB_BINARY && type != MDB_OLE && type != MDB_COMPLEX;
}

const char *formatName(guint32 version)
{
    switch (version) {
    case MDB_VER_JET3:
        return "Jet3";
    case MDB_VER_JET4:
        return "Jet4";
    default:
        return "ACE";
    }
}

// The text of a Jet 4 or ACE file is UTF-16 (compressed or not); mdbtools reads it as UCS-2,
// which turns every character beyond the basic plane into "??". A Jet 3 file's text is in the
// code page its header names. Returns the charset now used, or null when it cannot be used
// (mdbtools' own choice stays).
const char *useTextDecoder(MdbHandle *mdb, std::string &charset)
{
    charset = mdb->f->jet_version == MDB_VER_JET3 ? "CP" + std::to_string(mdb->f->code_page) : "UTF-16LE";
    const iconv_t decoder = iconv_open("UTF-8", charset.c_str());
    if (decoder == reinterpret_cast<iconv_t>(-1)) {
        return nullptr;
    }
    if (mdb->iconv_in != reinterpret_cast<iconv_t>(-1)) {
        iconv_close(mdb->iconv_in);
    }
    mdb->iconv_in = decoder;
    return charset.c_str();
}

struct Table
{
    MdbCatalogEntry *entry;
    unsigned rows;
};

bool userTable(MdbCatalogEntry *entry)
{
    return entry->object_type == MDB_TABLE && !mdb_is_system_table(entry);
}

// One table: its columns, every row, its end.
bool dumpTable(MdbHandle *mdb, MdbCatalogEntry *entry)
{
    MdbTableDef *table = mdb_read_table(entry);
    if (!table) {
        std::fprintf(stderr, "cannot read the table %s\n", entry->object_name);
        return false;
    }
    mdb_read_columns(table);
    mdb_rewind_table(table);
    const unsigned n = table->num_cols;
    std::vector<MdbColumn *> columns(n);
    // Left uninitialised: a page of a buffer is touched only when a value reaches it, so a wide
    // table of short values costs no more than its values.
    std::vector<std::unique_ptr<char[]>> values(n);
    std::vector<int> lengths(n, 0);
    std::vector<char> isNull(n, 0);
    std::vector<MdbField> fields(n);

    out += "{\"table\":";
    string(entry->object_name);
    out += ",\"rows\":" + std::to_string(table->num_rows) + ",\"columns\":[";
    for (unsigned i = 0; i < n; ++i) {
        columns[i] = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        out += i ? ",{\"name\":" : "{\"name\":";
        string(columns[i]->name);
        out += ",\"type\":\"";
        out += typeName(columns[i]->col_type);
        out += "\"}";
        if (readable(columns[i]->col_type)) {
            values[i].reset(new char[BindSize]);
            mdb_bind_column(table, int(i) + 1, values[i].get(), &lengths[i]);
        }
    }
    out += "]}";
    endLine();

    unsigned long count = 0;
    std::vector<unsigned> truncated;
    while (mdb_fetch_row(table)) {
        ++count;
        // Binding gives an empty text for null and for an empty value alike; where a value is
        // empty the row's own null flags tell which it was.
        bool anyEmpty = false;
        for (unsigned i = 0; i < n; ++i) {
            isNull[i] = !readable(columns[i]->col_type);
            anyEmpty =
                anyEmpty || (readable(columns[i]->col_type) && columns[i]->col_type != MDB_BOOL && lengths[i] == 0);
        }
        if (anyEmpty) {
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size) == 0) {
                const int cracked = mdb_crack_row(table, start & RowOffsetMask, size, fields.data());
                for (int f = 0; f < cracked; ++f) {
                    const int c = fields[size_t(f)].colnum;
                    if (c >= 0 && unsigned(c) < n && columns[unsigned(c)]->col_type != MDB_BOOL) {
                        isNull[unsigned(c)] = isNull[unsigned(c)] || fields[size_t(f)].is_null;
                    }
                }
            }
        }
        truncated.clear();
        std::string row = "[";
        std::swap(row, out);
        for (unsigned i = 0; i < n; ++i) {
            if (i) {
                out += ',';
            }
            if (isNull[i]
                || (lengths[i] == 0 && columns[i]->col_type != MDB_TEXT && columns[i]->col_type != MDB_MEMO)) {
                out += "null";
                continue;
            }
            size_t len = size_t(lengths[i]);
            if (len + 1 >= BindSize) {
                truncated.push_back(i);
            }
            string(values[i].get(), len);
        }
        out += ']';
        std::swap(row, out);
        if (truncated.empty()) {
            out += row;
        } else {
            out += "{\"row\":";
            out += row;
            out += ",\"truncated\":[";
            for (size_t t = 0; t < truncated.size(); ++t) {
                if (t) {
                    out += ',';
                }
                out += std::to_string(truncated[t]);
            }
            out += "]}";
        }
        endLine();
    }
    out += "{\"end\":";
    string(entry->object_name);
    out += ",\"rows\":" + std::to_string(count) + "}";
    endLine();
    mdb_free_tabledef(table);
    return true;
}

}

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: parvell-jet-read FILE\n");
        return 1;
    }
    MdbHandle *mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (!mdb) {
        std::fprintf(stderr, "cannot open %s as a Jet database\n", argv[1]);
        return 2;
    }
    std::string charset;
    const char *text = useTextDecoder(mdb, charset);
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_boolean_fmt_numbers(mdb);
    mdb_set_bind_size(mdb, BindSize);
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        std::fprintf(stderr, "cannot read the catalogue of %s\n", argv[1]);
        mdb_close(mdb);
        return 3;
    }
    std::vector<Table> tables;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (!userTable(entry)) {
            continue;
        }
        MdbTableDef *table = mdb_read_table(entry);
        tables.push_back({entry, table ? table->num_rows : 0});
        if (table) {
            mdb_free_tabledef(table);
        }
    }

    out += "{\"file\":{\"format\":\"";
    out += formatName(mdb->f->jet_version);
    out += "\",\"codePage\":" + std::to_string(mdb->f->code_page) + ",\"text\":";
    if (text) {
        string(text);
    } else {
        out += "null";
    }
    out += "},\"tables\":[";
    for (size_t i = 0; i < tables.size(); ++i) {
        out += i ? ",{\"name\":" : "{\"name\":";
        string(tables[i].entry->object_name);
        out += ",\"rows\":" + std::to_string(tables[i].rows) + "}";
    }
    out += "]}";
    endLine();

    int status = 0;
    for (const Table &t : tables) {
        if (!dumpTable(mdb, t.entry)) {
            status = 3;
            break;
        }
    }
    if (status == 0) {
        out += "{\"done\":true}";
        endLine();
    }
    flush();
    mdb_close(mdb);
    return status;
}
