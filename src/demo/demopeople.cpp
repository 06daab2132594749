#include "demo/demopeople.h"

using namespace Qt::StringLiterals;

quint64 DemoRandom::next()
{
    // xorshift64*
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    return m_state * 0x2545F4914F6CDD1DULL;
}

int DemoRandom::below(int n)
{
    return int(next() % quint64(n));
}

namespace {

const QList<QString> &familyNames()
{
    static const QList<QString> names = {u"王"_s, u"李"_s, u"张"_s, u"刘"_s, u"陈"_s, u"杨"_s, u"黄"_s, u"赵"_s,
                                         u"吴"_s, u"周"_s, u"徐"_s, u"孙"_s, u"马"_s, u"朱"_s, u"胡"_s, u"郭"_s,
                                         u"何"_s, u"高"_s, u"林"_s, u"罗"_s, u"郑"_s, u"梁"_s, u"谢"_s, u"宋"_s,
                                         u"唐"_s, u"许"_s, u"韩"_s, u"冯"_s, u"邓"_s, u"曹"_s};
    return names;
}

const QList<QString> &givenNames(bool male)
{
    static const QList<QString> men = {u"伟"_s,   u"强"_s,   u"磊"_s,   u"军"_s,   u"勇"_s,   u"杰"_s,   u"涛"_s,
                                       u"明"_s,   u"超"_s,   u"刚"_s,   u"建华"_s, u"志强"_s, u"晓东"_s, u"文博"_s,
                                       u"国庆"_s, u"建国"_s, u"海涛"_s, u"俊杰"_s, u"德明"_s, u"振华"_s};
    static const QList<QString> women = {u"芳"_s,   u"娜"_s,   u"敏"_s,   u"静"_s,   u"丽"_s,   u"艳"_s,   u"娟"_s,
                                         u"霞"_s,   u"秀英"_s, u"秀兰"_s, u"桂英"_s, u"海燕"_s, u"丽娟"_s, u"雪梅"_s,
                                         u"玉兰"_s, u"慧敏"_s, u"晓红"_s, u"春梅"_s, u"淑珍"_s, u"婷婷"_s};
    return male ? men : women;
}

const QList<QString> &employers()
{
    static const QList<QString> list = {u"市第一人民医院"_s,
                                        u"翠湖中学"_s,
                                        u"华联超市"_s,
                                        u"市自来水公司"_s,
                                        u"中国工商银行翠湖支行"_s,
                                        u"恒达建筑工程有限公司"_s,
                                        u"个体经营"_s,
                                        u"退休"_s,
                                        u"市税务局"_s,
                                        u"新华书店"_s,
                                        u"东方电子科技有限公司"_s,
                                        u"市实验小学"_s,
                                        u"翠湖街道办事处"_s,
                                        u"宏远物流有限公司"_s};
    return list;
}

// Banks with the first digits of their debit card numbers.
const QList<QPair<QString, QString>> &banks()
{
    static const QList<QPair<QString, QString>> list = {{u"中国工商银行"_s, u"622202"_s},
                                                        {u"中国建设银行"_s, u"621700"_s},
                                                        {u"中国农业银行"_s, u"622848"_s},
                                                        {u"中国银行"_s, u"621661"_s},
                                                        {u"招商银行"_s, u"622588"_s}};
    return list;
}

QString digits(DemoRandom &rnd, int count)
{
    QString s;
    for (int i = 0; i < count; ++i) {
        s += QChar(u'0' + rnd.below(10));
    }
    return s;
}

QString idNumber(DemoRandom &rnd, bool male)
{
    static const QList<QString> regions = {u"330106"_s, u"330102"_s, u"330105"_s,
                                           u"330110"_s, u"320102"_s, u"340104"_s};
    const QDate birth = rnd.dateBetween(QDate(1950, 1, 1), QDate(1996, 12, 31));
    // The 17th digit is odd for men and even for women.
    const int sequence = rnd.below(50) * 2 + (male ? 1 : 0);
    const QString first17 = rnd.pick(regions) + birth.toString(u"yyyyMMdd"_s) + u"%1"_s.arg(rnd.below(10))
        + u"%1"_s.arg(sequence, 2, 10, QChar(u'0'));
    return first17 + DemoPeople::idCheckDigit(first17);
}

} // namespace

QChar DemoPeople::idCheckDigit(const QString &first17)
{
    static const int weights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
    int sum = 0;
    for (int i = 0; i < 17 && i < first17.size(); ++i) {
        sum += (first17.at(i).unicode() - u'0') * weights[i];
    }
    return u"10X98765432"_s.at(sum % 11);
}

DemoPerson DemoPeople::make(DemoRandom &rnd, QSet<QString> *used)
{
    DemoPerson p;
    bool male = false;
    do {
        male = rnd.chance(55);
        p.name = rnd.pick(familyNames()) + rnd.pick(givenNames(male));
    } while (used->contains(p.name));
    used->insert(p.name);
    p.idNumber = idNumber(rnd, male);
    static const QList<QString> mobile = {u"138"_s, u"139"_s, u"135"_s, u"136"_s, u"137"_s,
                                          u"150"_s, u"151"_s, u"158"_s, u"186"_s, u"189"_s};
    p.phone = rnd.pick(mobile) + digits(rnd, 8);
    p.employer = rnd.pick(employers());
    const auto &bank = rnd.pick(banks());
    p.bank = bank.first;
    p.account = bank.second + digits(rnd, 13);
    return p;
}

QString DemoPeople::relativeOf(DemoRandom &rnd, const QString &name)
{
    QString other;
    do {
        other = name.left(1) + rnd.pick(givenNames(rnd.chance(50)));
    } while (other == name);
    return other;
}
