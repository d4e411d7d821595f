// Both editions' texts, byte for byte: the Chinese ones as code page 936 bytes, as the build
// converts them.

#include "controller/catalogue.h"

#include <gtest/gtest.h>

#include <string>

namespace tavo::controller {
namespace {

struct TextCase {
    const char* key;
    std::string TCatalogue::*text;
    const char* chinese;
    const char* english;
};

// clang-format off
const TextCase Texts[] = {
    {"MsgTransferBusy", &TCatalogue::MsgTransferBusy, "\xCE\xC4\xBC\xFE\xD5\xFD\xD4\xDA\xB4\xAB\xCB\xCD,\xC7\xEB\xC9\xD4\xBA\xF3\xD4\xDA\xB2\xD9\xD7\xF7...", "Warning: The file is transfering ,please wait"}, // 文件正在传送,请稍后在操作...
    {"MsgNotConnected", &TCatalogue::MsgNotConnected, "\xC9\xD0\xCE\xB4\xC1\xAC\xBD\xD3\xB3\xC9\xB9\xA6\xA3\xAC\xC7\xEB\xCA\xD7\xCF\xC8\xBD\xF8\xD0\xD0\xC1\xAC\xBD\xD3\xC8\xBB\xBA\xF3\xD4\xD9\xB2\xD9\xD7\xF7", "Warning: Not connected"}, // 尚未连接成功，请首先进行连接然后再操作
    {"MsgConnectBusy", &TCatalogue::MsgConnectBusy, "\xD5\xFD\xD4\xDA\xB4\xAB\xCB\xCD\xCE\xC4\xBC\xFE\xC7\xEB\xC9\xD4\xBA\xF3\xD4\xD9\xCA\xD4", "Warning: The file is transfering ,please wait"}, // 正在传送文件请稍后再试
    {"MsgConnectFailed", &TCatalogue::MsgConnectFailed, "\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC,\xC7\xEB\xC8\xB7\xC8\xCF\xCD\xF8\xC2\xE7\xC9\xE8\xB1\xB8\xB9\xA4\xD7\xF7\xD5\xFD\xB3\xA3", "Warning: The network problem appears on connection"}, // 连接失败,请确认网络设备工作正常
    {"MsgConfirmAbort", &TCatalogue::MsgConfirmAbort, "\xD7\xA2\xD2\xE2: \xD5\xFD\xD4\xDA\xB4\xAB\xCB\xCD\xCE\xC4\xBC\xFE,\xC8\xB7\xC8\xCF\xD6\xD0\xB6\xCF\xC2\xF0?", "Warning: The file is transfering ,abort?"}, // 注意: 正在传送文件,确认中断吗?
    {"MsgQuotaExceeded", &TCatalogue::MsgQuotaExceeded, "\xD3\xCA\xCF\xE4\xBF\xC9\xD3\xC3\xBF\xD5\xBC\xE4\xB2\xBB\xD7\xE3,\xCE\xC4\xBC\xFE\xC9\xCF\xB4\xAB\xCA\xA7\xB0\xDC,\xC7\xEB\xC7\xE5\xC0\xED\xBA\xF3\xD4\xD9\xC9\xCF\xB4\xAB\xCE\xC4\xBC\xFE", "Warning: Quotasize exceeded"}, // 邮箱可用空间不足,文件上传失败,请清理后再上传文件
    {"MsgDirNotEmpty", &TCatalogue::MsgDirNotEmpty, "\xD6\xB4\xD0\xD0\xCA\xA7\xB0\xDC,\xD3\xC9\xD3\xDA\xB8\xC3\xC4\xBF\xC2\xBC\xB2\xBB\xCE\xAA\xBF\xD5", "Warning: Directory not empty"}, // 执行失败,由于该目录不为空
    {"MsgNetworkError", &TCatalogue::MsgNetworkError, "\xCD\xF8\xC2\xE7\xC1\xAC\xBD\xD3\xD4\xCB\xD0\xD0\xB4\xED\xCE\xF3,\xC7\xEB\xD6\xD8\xCA\xD4!", "Warning: The network problem appears on connection"}, // 网络连接运行错误,请重试!
    {"MsgListNetworkError", &TCatalogue::MsgListNetworkError, "\xCD\xF8\xC2\xE7\xC1\xAC\xBD\xD3\xB7\xA2\xC9\xFA\xD2\xE2\xCD\xE2\xA3\xAC\xC7\xEB\xD6\xD8\xCA\xD4!", "Warning: The network problem appears on connection!"}, // 网络连接发生意外，请重试!
    {"MsgListShowFailed", &TCatalogue::MsgListShowFailed, "\xCF\xD4\xCA\xBE\xC1\xD0\xB1\xED\xCA\xA7\xB0\xDC\xA3\xAC\xC7\xEB\xB3\xE4\xCA\xD4!", "Warning: The network problem"}, // 显示列表失败，请充试!
    {"MsgConfirmResume", &TCatalogue::MsgConfirmResume, "\xBC\xEC\xB2\xE2\xB5\xBD\xCE\xC4\xBC\xFE\xD2\xD1\xBE\xAD\xB4\xE6\xD4\xDA. \xD0\xF8\xB4\xAB\xC7\xEB\xD1\xA1\xD4\xF1 \xA1\xBE\xCA\xC7\xA1\xBF,\xD6\xD8\xD0\xC2\xCF\xC2\xD4\xD8\xC7\xEB\xD1\xA1\xD4\xF1 \xA1\xBE\xB7\xF1\xA1\xBF?", "This folder already contains a same name file ,cover [yes] or Again [no]?"}, // 检测到文件已经存在. 续传请选择 【是】,重新下载请选择 【否】?
    {"MsgConfirmDeleteFile", &TCatalogue::MsgConfirmDeleteFile, "\xD7\xA2\xD2\xE2: \xC9\xBE\xB3\xFD\xB2\xD9\xD7\xF7\xCA\xC7\xB2\xBB\xBF\xC9\xBB\xD6\xB8\xB4\xB5\xC4,\xC8\xB7\xC8\xCF\xC2\xF0?", "Warning: Deleting operation is to be not allowed recovery , affirm ?"}, // 注意: 删除操作是不可恢复的,确认吗?
    {"MsgConfirmDeleteDir", &TCatalogue::MsgConfirmDeleteDir, "\xD7\xA2\xD2\xE2: \xC9\xBE\xB3\xFD\xB2\xD9\xD7\xF7\xCA\xC7\xB2\xBB\xBF\xC9\xBB\xD6\xB8\xB4\xB5\xC4,\xC8\xB7\xC8\xCF\xC2\xF0?", "Warning: Deleting operation is to be not allowed recovery , affirm?"}, // 注意: 删除操作是不可恢复的,确认吗?
    {"MsgSelectFileToDelete", &TCatalogue::MsgSelectFileToDelete, "\xC7\xEB\xCA\xD7\xCF\xC8\xD1\xA1\xD4\xF1\xD2\xAA\xC9\xBE\xB3\xFD\xB5\xC4\xCE\xC4\xBC\xFE", "Please Choose the file needing to delete"}, // 请首先选择要删除的文件
    {"MsgSelectEmptyDir", &TCatalogue::MsgSelectEmptyDir, "\xC7\xEB\xCA\xD7\xCF\xC8\xD1\xA1\xB6\xA8\xD2\xBB\xB8\xF6\xBF\xD5\xC4\xBF\xC2\xBC", "Please empty this folder"}, // 请首先选定一个空目录
    {"MsgBadDirName", &TCatalogue::MsgBadDirName, "\xB7\xC7\xB7\xA8\xC3\xFB\xB3\xC6(\xB2\xBB\xC4\xDC\xB0\xFC\xBA\xAC\xB1\xEA\xB5\xE3\xB7\xFB\xBA\xC5),\xC4\xBF\xC2\xBC\xB4\xB4\xBD\xA8\xCA\xA7\xB0\xDC", "Warning: Illegal character in the name"}, // 非法名称(不能包含标点符号),目录创建失败
    {"MsgBadNewName", &TCatalogue::MsgBadNewName, "\xB7\xC7\xB7\xA8\xC3\xFB\xB3\xC6(\xB2\xBB\xC4\xDC\xB0\xFC\xBA\xAC\xB1\xEA\xB5\xE3\xB7\xFB\xBA\xC5),\xB8\xFC\xD0\xC2\xCA\xA7\xB0\xDC", "Warning: Illegal character in the name"}, // 非法名称(不能包含标点符号),更新失败
    {"MsgRenameFailed", &TCatalogue::MsgRenameFailed, "\xD0\xC2\xCE\xC4\xBC\xFE\xC3\xFB\xB3\xC6\xB4\xED\xCE\xF3\xBB\xF2\xD2\xC6\xB6\xAF\xB5\xBD\xB5\xC4\xC2\xB7\xBE\xB6\xB2\xBB\xB4\xE6\xD4\xDA,\xC7\xEB\xBC\xEC\xB2\xE9!", "Warning: the path not exist"}, // 新文件名称错误或移动到的路径不存在,请检查!
    {"MsgSelectFileToShare", &TCatalogue::MsgSelectFileToShare, "\xC7\xEB\xCA\xD7\xCF\xC8\xD1\xA1\xD6\xD0\xD2\xAA\xB9\xB2\xCF\xED\xB5\xC4\xCE\xC4\xBC\xFE", "Please choose a file to share"}, // 请首先选中要共享的文件
    {"MsgAlreadyShared", &TCatalogue::MsgAlreadyShared, "\xD2\xD1\xD4\xDA\xB9\xB2\xCF\xED\xCE\xC4\xBC\xFE\xC1\xD0\xB1\xED", "already in shared list"}, // 已在共享文件列表
    {"MsgSelectShareLine", &TCatalogue::MsgSelectShareLine, "\xC7\xEB\xCF\xC8\xB5\xE3\xBB\xF7\xD1\xA1\xD6\xD0\xD2\xAA\xD2\xC6\xB3\xFD\xB5\xC4\xD2\xBB\xD0\xD0", "Warning: Please choose a file"}, // 请先点击选中要移除的一行
    {"StatusReady", &TCatalogue::StatusReady, "\xD7\xBC\xB1\xB8\xBE\xCD\xD0\xF7", "Ready"}, // 准备就绪
    {"StatusTransferDone", &TCatalogue::StatusTransferDone, "\xB4\xAB\xCB\xCD\xCD\xEA\xB1\xCF", "Transfer complete"}, // 传送完毕
    {"StatusDone", &TCatalogue::StatusDone, "\xB2\xD9\xD7\xF7\xCD\xEA\xB1\xCF", "Done"}, // 操作完毕
    {"TextDownloadSpeed", &TCatalogue::TextDownloadSpeed, "\xCF\xC2\xD4\xD8\xCB\xD9\xB6\xC8: ", "Download speed: "}, // 下载速度: 
    {"TextUploadSpeed", &TCatalogue::TextUploadSpeed, "\xC9\xCF\xB4\xAB\xCB\xD9\xB6\xC8: ", "Upload speed: "}, // 上传速度: 
    {"FmtSpeed", &TCatalogue::FmtSpeed, "0.00 KB/s", "0.00 KB/s"}, // 0.00 KB/s
    {"TextSpeedSeparator", &TCatalogue::TextSpeedSeparator, "; ", "; "}, // ; 
    {"TextRemainingTime", &TCatalogue::TextRemainingTime, "\xCA\xA3\xD3\xE0\xCA\xB1\xBC\xE4\xA3\xBA ", "RemainingTime\xA3\xBA "}, // 剩余时间： 
    {"FmtRemaining", &TCatalogue::FmtRemaining, "%2d:%2d:%2d", "%2d:%2d:%2d"}, // %2d:%2d:%2d
    {"AskDirCaption", &TCatalogue::AskDirCaption, "\xC7\xEB\xCA\xE4\xC8\xEB", "Please input"}, // 请输入
    {"AskDirPrompt", &TCatalogue::AskDirPrompt, "\xC4\xBF\xC2\xBC\xC3\xFB:", "Folder name"}, // 目录名:
    {"AskRenameCaption", &TCatalogue::AskRenameCaption, "\xB8\xC4\xC3\xFB/\xD2\xC6\xB6\xAF", "Rename"}, // 改名/移动
    {"AskRenamePrompt", &TCatalogue::AskRenamePrompt, "\xC8\xE7\xB9\xFB\xD2\xC6\xB6\xAF\xCE\xC4\xBC\xFE\xC7\xEB\xCA\xE4\xC8\xEB\xC8\xAB\xC2\xB7\xBE\xB6/\xC3\xFB\xB3\xC6", "Please iput the full path and filename"}, // 如果移动文件请输入全路径/名称
    {"CaptionConnect", &TCatalogue::CaptionConnect, "\xC1\xAC \xBD\xD3", "Connect"}, // 连 接
    {"CaptionDisconnect", &TCatalogue::CaptionDisconnect, "\xB6\xCF \xBF\xAA", "Disconnect"}, // 断 开
    {"HintConnect", &TCatalogue::HintConnect, "\xC1\xAC\xBD\xD3\xB5\xBD\xCD\xF8\xC2\xE7\xCE\xC4\xBC\xFE\xB7\xFE\xCE\xF1\xC6\xF7", "Connect to server"}, // 连接到网络文件服务器
    {"HintDisconnect", &TCatalogue::HintDisconnect, "\xB6\xCF\xBF\xAA\xD3\xEB\xCD\xF8\xC2\xE7\xB7\xFE\xCE\xF1\xC6\xF7\xB5\xC4\xC1\xAC\xBD\xD3", "Disconnected from server"}, // 断开与网络服务器的连接
    {"RowParent", &TCatalogue::RowParent, "\xC9\xCF\xD2\xBB\xBC\xB6\xC4\xBF\xC2\xBC", "Up"}, // 上一级目录
    {"RowDirectory", &TCatalogue::RowDirectory, "\xA1\xBE\xC4\xBF\xC2\xBC\xA1\xBF", ""}, // 【目录】
    {"RowFile", &TCatalogue::RowFile, "    \xCE\xC4\xBC\xFE", ""}, //     文件
    {"RowLink", &TCatalogue::RowLink, "\xB7\xFB\xBA\xC5\xC1\xB4\xBD\xD3", ""}, // 符号链接
    {"TextSizeUnit", &TCatalogue::TextSizeUnit, " \xD7\xD6\xBD\xDA", " Bite"}, //  字节
    {"ShareEntryName", &TCatalogue::ShareEntryName, "\xCE\xC4\xBC\xFE\xC3\xFB: ", "FileName: "}, // 文件名: 
    {"ShareEntrySize", &TCatalogue::ShareEntrySize, " \xB4\xF3\xD0\xA1: ", " Size: "}, //  大小: 
    {"TracePrefixSent", &TCatalogue::TracePrefixSent, "->> ", "->> "}, // ->> 
    {"TracePrefixReceived", &TCatalogue::TracePrefixReceived, "<<- ", "<<- "}, // <<- 
};
// clang-format on

TEST(CatalogueTest, EveryKeyOfBothEditions) {
    EXPECT_EQ(sizeof Texts / sizeof Texts[0], 47u);
    for (const TextCase& c : Texts) {
        EXPECT_EQ(ChineseCatalogue().*c.text, c.chinese) << c.key;
        EXPECT_EQ(EnglishCatalogue().*c.text, c.english) << c.key;
    }
}

TEST(CatalogueTest, EditionNumbers) {
    EXPECT_EQ(ChineseCatalogue().SharePanelWidth, 180);
    EXPECT_EQ(EnglishCatalogue().SharePanelWidth, 200);
    EXPECT_EQ(ChineseCatalogue().CodePage, 936);
#if defined(TAVO_EDITION_EN)
    EXPECT_EQ(&EditionCatalogue(), &EnglishCatalogue());
#else
    EXPECT_EQ(&EditionCatalogue(), &ChineseCatalogue());
#endif
}

} // namespace
} // namespace tavo::controller
