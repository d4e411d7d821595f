#include "form/form_texts.h"

namespace tavo::form {

const TFormTexts& ChineseFormTexts() {
    static const TFormTexts texts = [] {
        TFormTexts t;
        t.English = false;
        t.ClientWidth = 625;
        t.Widgets = {
            {"ConnectButton", {L"连 接", L"连接到网络文件服务器", true}},
            {"bsSkinSpeedButton3", {L"上 传", L"上传文件到网络存储服务器", true}},
            {"bsSkinSpeedButton6", {L"下 载", L"下载网络文件", true}},
            {"bsSkinSpeedButton4", {L"删 除", L"删除选中的文件或打开目录", true}},
            {"bsSkinSpeedButton2", {L"改名/移动", L"更改文件名称\r或者 \r移动到其他目录", true}},
            {"bsSkinSpeedButton5", {L"共享文件", L"将选中的文件添加到共享列表中", true}},
            {"bsSkinSpeedButton7", {L"", L"切换到上一级", true}},
            {"CreateDirButton", {L"新建目录", L"在服务器上创建新的目录", false}},
            {"DelDirButton", {L"删除目录", L"删除一个空目录", false}},
            {"bsSkinSpeedButton8", {L"移除共享", L"从共享列表中移除不需要共享的文件", false}},
            {"bsSkinSpeedButton9", {L"发送共享", L"将共享列表中的文件发送给别人", false}},
            {"ListViewRemote",
             {L"", L"提示:\r   双击可以下载文件或进入目录\r   点击右键使用快捷菜单", false}},
            {"ShareListBox", {L"", L"提示:\r  点击右键有快捷菜单", false}},
            {"bsSkinSpeedButton1", {L"目录", L"", false}},
            {"CheckShareList", {L"共享列表", L"", false}},
            {"TraceCheckBox", {L"操作记录", L"", false}},
            {"UsePassive", {L"被动模式", L"", false}},
            {"Panel6", {L"网络文件", L"", false}},
            {"Panel7", {L"共享文件", L"", false}},
        };
        t.Widths = {
            {"ConnectButton", 55},      {"bsSkinSpeedButton3", 55}, {"bsSkinSpeedButton6", 55},
            {"bsSkinSpeedButton4", 55}, {"bsSkinSpeedButton2", 75}, {"bsSkinSpeedButton5", 75},
            {"bsSkinSpeedButton1", 52}, {"CreateDirButton", 75},    {"DelDirButton", 75},
            {"bsSkinSpeedButton8", 75}, {"bsSkinSpeedButton9", 75}, {"Panel7", 169}};
        t.Heights = {{"Panel4", 25}};
        t.Columns[0] = L"属性";
        t.Columns[1] = L"名称";
        t.Columns[2] = L"大小";
        t.Columns[3] = L"时间";
        t.MenuItems = {{"N13", L"上传文件"},  {"N14", L"下载文件"}, {"N15", L"删除文件"},
                       {"N16", L"改名/移动"}, {"N17", L"共享文件"}, {"N18", L""},
                       {"N19", L"新建目录"},  {"N20", L"删除目录"}, {"N21", L"目录改名"},
                       {"N1", L"移除共享"},   {"N2", L""},          {"N3", L"发送共享"}};
        return t;
    }();
    return texts;
}

const TFormTexts& EnglishFormTexts() {
    static const TFormTexts texts = [] {
        TFormTexts t;
        t.English = true;
        t.ClientWidth = 685;
        t.Widgets = {
            {"ConnectButton", {L"Connect", L"Connect to server", true}},
            {"bsSkinSpeedButton3", {L"Upload", L"upload file to server", true}},
            {"bsSkinSpeedButton6", {L"Download", L"Download file from server", true}},
            {"bsSkinSpeedButton4", {L"Delete", L"Delete a file", true}},
            {"bsSkinSpeedButton2", {L"Rename", L"Rename a file", true}},
            {"bsSkinSpeedButton5", {L"Share", L"Add a file to sharelist", true}},
            {"bsSkinSpeedButton7", {L"", L"", false}},
            {"CreateDirButton", {L"New Folder", L"", false}},
            {"DelDirButton", {L"Delete Folder", L"", false}},
            {"bsSkinSpeedButton8", {L"Delete Shared", L"", false}},
            {"bsSkinSpeedButton9", {L"Send Shared", L"", false}},
            {"bsSkinSpeedButton1", {L"", L"", false}},
            {"CheckShareList", {L"ShareList", L"", false}},
            {"TraceCheckBox", {L"TraceLog", L"Show all traced log", false}},
            {"UsePassive", {L"Passived", L"Used  passived mode", false}},
            {"Panel6", {L"Remote File", L"", false}},
            {"Panel7", {L"Shared File", L"", false}},
        };
        t.Widths = {
            {"ConnectButton", 80},      {"bsSkinSpeedButton3", 60}, {"bsSkinSpeedButton6", 74},
            {"bsSkinSpeedButton4", 60}, {"bsSkinSpeedButton2", 70}, {"bsSkinSpeedButton5", 60},
            {"bsSkinSpeedButton1", 23}, {"CreateDirButton", 90},    {"DelDirButton", 90},
            {"bsSkinSpeedButton8", 92}, {"bsSkinSpeedButton9", 92}, {"Panel7", 229}};
        t.Heights = {{"Panel4", 28}};
        t.Columns[0] = L"Attributes";
        t.Columns[1] = L"Name";
        t.Columns[2] = L"Size";
        t.Columns[3] = L"Modified";
        t.MenuItems = {{"N13", L"Upload"},
                       {"N14", L"Download"},
                       {"N15", L"Delete"},
                       {"N16", L"Rename"},
                       {"N17", L"Share"},
                       {"N18", L""},
                       {"N19", L"Create folder"},
                       {"N20", L"Delete Folder"},
                       {"N21", L"Rename Folder"},
                       {"N1", L"Delete Shared"},
                       {"N2", L""},
                       {"N3", L"Send Shared"}};
        return t;
    }();
    return texts;
}

} // namespace tavo::form
