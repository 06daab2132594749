#include "admin/importmdb.h"

#include "admin/core/jetfile.h"
#include "admin/core/jetimport.h"
#include "admin/mdbreport.h"
#include "components/common/prompt.h"
#include "data/dm1.h"

#include <limits>
#include <memory>

TForm_importmdb::TForm_importmdb(QWidget *parent)
    : FileChoiceDialog(QStringLiteral("导入旧数据"), QStringLiteral("导入"), QStringLiteral("选择旧数据库文件"), parent,
                       QStringLiteral("旧数据库文件："))
{
    setObjectName(QStringLiteral("Form_importmdb"));
}

QString TForm_importmdb::chooseFile()
{
    return Prompt::openFile(
        this, QStringLiteral("选择旧数据库文件"), {},
        {QStringLiteral("Access 数据库 (*.mdb *.accdb *.MDB *.ACCDB)"), QStringLiteral("所有文件 (*)")});
}

bool TForm_importmdb::run()
{
    const JetFile::Examined examined = JetFile::examine(path());
    if (!examined.refusal.isEmpty()) {
        Prompt::notice(this, examined.refusal);
        return false;
    }
    for (const QString &warning : examined.warnings) {
        if (!Prompt::ask(this, warning + QStringLiteral("\n仍要导入吗? "))) {
            return false;
        }
    }
    if (!Prompt::ask(this,
                     QStringLiteral("导入将用旧数据库中的数据取代当前的全部数据（取代之前自动备份当前的数据库）。\n"
                                    "确实要导入吗? "))) {
        return false;
    }
    std::unique_ptr<Prompt::Progress> progress;
    const JetImport::Result r = JetImport::importFile(dm(), path(), [&](qint64 done, qint64 total) {
        if (!progress) {
            progress = Prompt::progress(this, QStringLiteral("正在导入旧数据……"),
                                        int(qMin<qint64>(total, std::numeric_limits<int>::max())));
        }
        return progress->update(int(qMin<qint64>(done, std::numeric_limits<int>::max())));
    });
    progress.reset();
    // Without a whole reading there is nothing to report but why.
    if (!r.imported && r.reportFile.isEmpty()) {
        Prompt::notice(this, r.error + QStringLiteral("\n当前数据库没有改变。"));
        return false;
    }
    TForm_mdbreport report(r, this);
    report.exec();
    return r.imported;
}
