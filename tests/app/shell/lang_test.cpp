// The caption table: lookup rules, both embedded tables, relabelling.
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include "shell/lang.h"
#include "shell_test_support.h"

using namespace udare::shell;

namespace {

QSet<QString> keysOf(const QString& resource) {
    ensureResources();
    QFile f(resource);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << resource.toStdString();
    QSet<QString> keys;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.isEmpty() || t.startsWith("//") || t.startsWith('[')) continue;
        keys.insert(QString::fromUtf8(t.left(t.indexOf('='))));
    }
    return keys;
}

}  // namespace

TEST(LanguageTable, LookupRules) {
    LanguageTable t;
    t.parse(QByteArray("[Other]\r\nIDD1_1=wrong section\r\n"
                       "[String]\r\n"
                       "// IDD1_9=commented out\r\n"
                       "\r\n"
                       "idd1_title=  Padded title  \r\n"
                       "IDD1_2=\"Quoted\"\r\n"
                       "IDD1_3=say \"this\" here\r\n"
                       "IDD1_4=\r\n"
                       "IDD1_5=a=b\r\n"
                       "IDD1_6=\"\"\r\n"
                       "IDD1_7=first\r\n"
                       "IDD1_7=second\r\n"));
    struct Case {
        const char* key;
        const char* want;
    } cases[] = {
        {"IDD1_TITLE", "Padded title"},   // other letter case, trimmed
        {"IDD1_2", "Quoted"},             // one pair of quotes removed
        {"IDD1_3", "say \"this\" here"},  // inner quotes stay
        {"IDD1_4", ""},                   // empty
        {"IDD1_5", "a=b"},                // value after the first '='
        {"IDD1_6", ""},
        {"IDD1_7", "first"},
        {"IDD1_9", ""},                   // comment
        {"IDD1_1", ""},                   // only [String] counts
        {"IDD2_1", ""},                   // absent
    };
    for (const Case& c : cases)
        EXPECT_EQ(t.value(QString::fromLatin1(c.key)).toStdString(), c.want) << c.key;
    EXPECT_EQ(t.title(1).toStdString(), "Padded title");
}

TEST(LanguageTable, LongValuesAreCutAt999) {
    LanguageTable t;
    t.parse("[String]\nIDD1_1=" + QByteArray(1500, 'x') + "\n");
    EXPECT_EQ(t.control(1, 1).size(), 999);
}

TEST(LanguageTable, ReadsGbkText) {
    QStringEncoder gbk("GB18030");
    ASSERT_TRUE(gbk.isValid());
    const QByteArray bytes = gbk.encode(QString::fromUtf8("[String]\r\nIDD335_title=机器设置\r\n"));
    LanguageTable t;
    t.parse(bytes);
    EXPECT_EQ(t.title(335), QString::fromUtf8("机器设置"));
}

TEST(LanguageTable, EmbeddedTablesHoldTheSameKeys) {
    const QSet<QString> zh = keysOf(QStringLiteral(":/lang/331.ini"));
    const QSet<QString> en = keysOf(QStringLiteral(":/lang/332.ini"));
    EXPECT_EQ(zh.size(), 75);
    EXPECT_EQ(zh, en);
}

TEST(LanguageTable, EmbeddedTablesAreGbkWithCrLf) {
    ensureResources();
    for (const char* name : {":/lang/331.ini", ":/lang/332.ini"}) {
        QFile f(QString::fromLatin1(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        const QByteArray bytes = f.readAll();
        EXPECT_TRUE(bytes.startsWith("[String]\r\n")) << name;  // no byte-order mark
        EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << name;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString asUtf8 = utf8.decode(bytes);
        EXPECT_TRUE(utf8.hasError()) << name << " is not in the GBK code page";
    }
}

TEST(LanguageTable, EmbeddedValues) {
    LanguageTable zh, en;
    ASSERT_TRUE(zh.loadEmbedded(0));
    ASSERT_TRUE(en.loadEmbedded(1));
    struct Case {
        const char* key;
        const char* zh;
        const char* en;
    } cases[] = {
        {"IDD313_1132", "回声均衡", "Echo EQ"},
        {"IDD373_title", "遥控学习", "Learn remoter control"},  // trailing blank in the table
        {"IDD335_1201", "音量保存模式", "Save vol mode"},
        {"IDD335_1191", "随模式保存", "By mode"},               // leading blank
        {"IDD372_1005", "您当前学习的功能是：", "you study key is："},
        {"IDD335_1222", "注意：点击“保存”后设置生效", "Please click \"Apply\" save it."},
        {"IDD416_1189", "此升级过程较长，大概需要10分钟左右，请耐心等待……",
         "this upgrade progress will still 10 minutes, please wait a moment……"},
        {"IDD419_1150", "(点击\"开始升级\"选择文件，升级中禁止其他操作)", "click start to upgrade"},
        {"IDD420_title", "", ""},
        {"IDD100_title", "", ""},
    };
    for (const Case& c : cases) {
        const QString k = QString::fromLatin1(c.key);
        EXPECT_EQ(zh.value(k), QString::fromUtf8(c.zh)) << c.key;
        EXPECT_EQ(en.value(k), QString::fromUtf8(c.en)) << c.key;
    }
}

TEST(LanguageTable, RelabelTouchesTitleAndDirectChildrenOnly) {
    LanguageTable t;
    t.parse(QByteArray("[String]\nIDD335_title=Machine Set\nIDD335_1073=Apply\n"
                       "IDD335_2=\nIDD335_1197=Start vol\nIDD335_1046=Lock panel\n"));
    QDialog d;
    d.setWindowTitle(QStringLiteral("design"));
    auto* apply = new QPushButton(QStringLiteral("保存"), &d);
    setControlId(apply, 1073);
    auto* cancel = new QPushButton(QStringLiteral("取消"), &d);  // empty value
    setControlId(cancel, 2);
    auto* unknown = new QLabel(QStringLiteral("不变"), &d);      // no key
    setControlId(unknown, 9999);
    auto* group = new QGroupBox(QStringLiteral("开机音量"), &d);
    setControlId(group, 1197);
    auto* inner = new QPushButton(QStringLiteral("锁定面板"), group);  // grandchild
    setControlId(inner, 1046);

    t.relabel(&d, 335);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Machine Set"));
    EXPECT_EQ(apply->text(), QStringLiteral("Apply"));
    EXPECT_EQ(cancel->text(), QStringLiteral("取消"));
    EXPECT_EQ(unknown->text(), QStringLiteral("不变"));
    EXPECT_EQ(group->title(), QStringLiteral("Start vol"));
    EXPECT_EQ(inner->text(), QStringLiteral("锁定面板"));

    t.relabel(nullptr, 335);  // ignored
}
