#include "admin/gsxx_edit.h"

#include "components/common/prompt.h"
#include "components/dbctrls/dbedit.h"
#include "components/dbctrls/enterring.h"
#include "components/dbctrls/inputmethod.h"
#include "data/dm1.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {
struct Field
{
    const char *label;
    const char *field;
    bool chinese; // takes the operator's input method
};
const Field Fields[] = {
    {"公司名称：", "公司名称", true},  {"公司地址：", "公司地址", true},  {"联系电话：", "联系电话", false},
    {"联系人：", "联系人", true},      {"邮政编码：", "邮政编码", false}, {"开户银行：", "开户银行", true},
    {"银行帐号：", "银行帐号", false}, {"系统标题：", "系统标题", true},  {"动态文字：", "动态文字", true},
};
}

TForm_gsxx_edit::TForm_gsxx_edit(QWidget *parent)
    : FixedDialog(parent)
    , m_gsxx(Dm1::instance()->q_gsxx)
{
    setObjectName(QStringLiteral("Form_gsxx_edit"));
    setWindowTitle(QStringLiteral("公司信息编辑"));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(20, 16, 20, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    int row = 0;
    for (const Field &f : Fields) {
        auto *e = new DBEdit(this);
        e->setObjectName(QStringLiteral("DBEdit%1").arg(row + 1));
        e->setMinimumWidth(320);
        e->bind(m_gsxx, QString::fromUtf8(f.field));
        e->setFollowState(false);
        grid->addWidget(labelFor(QString::fromUtf8(f.label), e), row, 0);
        grid->addWidget(e, row, 1);
        m_editors << e;
        ++row;
    }
    BitBtn1 = makeButton(QStringLiteral("BitBtn1"), QStringLiteral("保存 (&S)"));
    BitBtn2 = makeButton(QStringLiteral("BitBtn2"), QStringLiteral("返回 (&R)"));
    grid->addLayout(buttonRow({BitBtn1, BitBtn2}), row, 0, 1, 2);

    connect(BitBtn1, &QPushButton::clicked, this, &TForm_gsxx_edit::save);
    connect(BitBtn2, &QPushButton::clicked, this, [this] {
        m_gsxx->cancel();
        reject();
    });
    EnterRing::install({m_editors.begin(), m_editors.end()}, [this] { save(); });
    fixSize();
}

void TForm_gsxx_edit::prepare(Preparation &p)
{
    p.open(m_gsxx, {QStringLiteral("select * from 公司信息")});
}

void TForm_gsxx_edit::showEvent(QShowEvent *event)
{
    QList<QWidget *> chinese;
    for (int i = 0; i < m_editors.size(); ++i) {
        if (Fields[i].chinese) {
            chinese << m_editors[i];
        }
    }
    InputMethod::apply(chinese, session().inputMethod);
    m_editors.constFirst()->setFocus();
    FixedDialog::showEvent(event);
}

bool TForm_gsxx_edit::save()
{
    if (m_gsxx->isEmpty()) {
        // No organisation row yet: this one becomes it, with what was typed.
        QStringList typed;
        for (DBEdit *e : std::as_const(m_editors)) {
            typed << e->text();
        }
        m_gsxx->append();
        for (int i = 0; i < m_editors.size(); ++i) {
            m_editors[i]->setText(typed[i]);
        }
    } else {
        m_gsxx->edit();
    }
    DBControl::commitAll(this);
    if (m_gsxx->text(QStringLiteral("公司名称")).trimmed().isEmpty()) {
        Prompt::notice(this, QStringLiteral("公司名称不能为空,请重新输入!"));
        m_editors[0]->setFocus();
        return false;
    }
    if (m_gsxx->text(QStringLiteral("系统标题")).trimmed().isEmpty()) {
        Prompt::notice(this, QStringLiteral("系统标题不能为空,请重新输入!"));
        m_editors[7]->setFocus();
        return false;
    }
    if (!m_gsxx->post()) {
        Prompt::databaseError(this, m_gsxx->lastError(), m_gsxx);
        return false;
    }
    return true;
}
