#include "core/refusalcauses.h"

using quillary::ControlError;

namespace framer {

namespace {

QString messageFor(ControlError::Cause cause)
{
    switch (cause) {
    case ControlError::NotADocument:
        return QStringLiteral("文件“%1”不是可识别的Office文档（文件已损坏或格式不受支持）");
    case ControlError::Damaged:
        return QStringLiteral("文件“%1”已损坏，无法打开。请向文件的提供者重新获取后再试");
    case ControlError::PasswordProtected:
        return QStringLiteral("文件“%1”设有打开密码，文档控件不能打开加密的文档。"
                              "请在原来的程序中取消密码后再试");
    case ControlError::TooLarge:
        return QStringLiteral("文件“%1”太大（或解压后太大），超出了文档控件能处理的范围，"
                              "已拒绝打开。请确认文件的来源，或拆分为较小的文档后再试");
    case ControlError::UnsupportedFormat:
        return QStringLiteral("文件“%1”的格式不受支持，无法打开。请另存为 Word、Excel、"
                              "PowerPoint 或 OpenDocument 格式后再试");
    case ControlError::EngineNotResponding:
        return QStringLiteral("文档引擎处理“%1”时未响应或意外停止，已重新启动引擎。"
                              "请重试；若仍不行，该文件可能已损坏");
    case ControlError::NoCause:
        break;
    }
    return QStringLiteral("无法打开文件“%1”");
}

} // namespace

ControlError refusal(ControlError::Cause cause, const QString &name, const QString &detail)
{
    ControlError error;
    error.code = ControlError::Failed;
    error.cause = cause;
    error.message = messageFor(cause).arg(name.isEmpty() ? QStringLiteral("文档") : name);
    error.detail = detail;
    return error;
}

std::optional<ControlError::Cause> loadRefusalCause(engineprotocol::ErrorCode code)
{
    using engineprotocol::ErrorCode;
    switch (code) {
    case ErrorCode::LoadFailed:
        return ControlError::Damaged;
    case ErrorCode::Encrypted:
        return ControlError::PasswordProtected;
    case ErrorCode::TooLarge:
        return ControlError::TooLarge;
    case ErrorCode::Unsupported:
        return ControlError::UnsupportedFormat;
    default:
        return std::nullopt;
    }
}

} // namespace framer
