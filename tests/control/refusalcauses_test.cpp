#include "core/refusalcauses.h"

#include <gtest/gtest.h>

using quillary::ControlError;

TEST(RefusalCauses, eachCauseNamesTheFileAndWhatToDo_neverTheDetail)
{
    const QString detail =
        QStringLiteral("Unsupported URL <file:///tmp/quillary-x/engine/1/a.docx> \"type detection "
                       "aborted\" at ./framework/source/loadenv/loadenv.cxx:189");
    const struct
    {
        ControlError::Cause cause;
        const char *says;
    } cases[] = {
        {ControlError::NotADocument, "不是可识别的Office文档（文件已损坏或格式不受支持）"},
        {ControlError::Damaged, "已损坏"},
        {ControlError::PasswordProtected, "密码"},
        {ControlError::TooLarge, "太大"},
        {ControlError::UnsupportedFormat, "格式不受支持"},
        {ControlError::EngineNotResponding, "未响应"},
    };
    for (const auto &c : cases) {
        const ControlError error = framer::refusal(c.cause, QStringLiteral("报告.docx"), detail);
        const std::string message = error.message.toStdString();
        EXPECT_EQ(error.code, ControlError::Failed);
        EXPECT_EQ(error.cause, c.cause);
        EXPECT_EQ(error.detail, detail);
        EXPECT_TRUE(error.message.contains(QString::fromUtf8(c.says))) << message;
        EXPECT_TRUE(error.message.contains(QStringLiteral("“报告.docx”"))) << message;
        EXPECT_FALSE(error.message.contains(u'/')) << message;
        EXPECT_FALSE(error.message.contains(QStringLiteral("detection"))) << message;
        if (c.cause != ControlError::NotADocument) // its wording is older than the table
            EXPECT_TRUE(error.message.contains(QStringLiteral("请"))) << message;
    }
}
