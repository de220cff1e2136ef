// Resource ids of the program: dialog templates, controls, menu commands, icons, strings.
#pragma once

// Dialog templates.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_CHAT_DIALOG = 102;
constexpr int IDD_SETUP = 133;
constexpr int IDD_SETTINGS = 134;
constexpr int IDD_LEARN = 136;
constexpr int IDD_FORGET_KEYWORD = 137;
constexpr int IDD_FORGET_CHOICE = 138;
constexpr int IDD_MEMORY_BOOK = 139;
constexpr int IDD_BOOK_EDIT = 140;
constexpr int IDD_DUET = 141;

// Menu, icons, strings.
constexpr int IDR_CHAT_MENU = 132;
constexpr int IDI_ABOUT = 128;
constexpr int IDI_CHAT = 131;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDM_ABOUTBOX = 0x0010;  // system-menu command of the About entry

// Controls of the chat window (102).
constexpr int IDC_TRANSCRIPT = 1000;
constexpr int IDC_INPUT = 1001;
constexpr int IDC_YOUR_NAME = 1013;  // also the user-name edit of the settings dialog
constexpr int IDC_RINU_NAME = 1025;

// Controls of the setup dialog (133).
constexpr int IDC_SETUP_USER_NAME = 1002;
constexpr int IDC_SETUP_RINU_NAME = 1003;
constexpr int IDC_LOG_NONE = 1007;  // first log-mode button of the setup and settings dialogs
constexpr int IDC_SETUP_LOG_HTML = 1008;
constexpr int IDC_SETUP_LOG_TEXT = 1009;
constexpr int IDC_LOG_GROUP = 1010;

// Controls of the settings dialog (134).
constexpr int IDC_APPLY = 1011;
constexpr int IDC_NICKNAME = 1014;
constexpr int IDC_LOG_HTML = 1016;
constexpr int IDC_LOG_TEXT = 1018;

// Controls of the learn (136) and forget (137, 138) dialogs.
constexpr int IDC_LEARN_REPLY = 1025;
constexpr int IDC_LEARN_WORDS = 1026;
constexpr int IDC_FORGET_KEYWORD = 1028;
constexpr int IDC_FORGET_LIST = 1031;
constexpr int IDC_FORGET_NUMBER = 1032;

// Controls of the memory book (139) and its edit dialog (140).
constexpr int IDC_BOOK_SEARCH = 1040;
constexpr int IDC_BOOK_COUNT = 1041;
constexpr int IDC_BOOK_LIST = 1042;
constexpr int IDC_BOOK_EDIT = 1043;
constexpr int IDC_BOOK_DELETE = 1044;
constexpr int IDC_BOOK_UNDO = 1045;
constexpr int IDC_BOOK_REDO = 1046;
constexpr int IDC_BOOK_KEYWORD = 1047;
constexpr int IDC_BOOK_REPLY = 1048;

// Controls of the duet window (141).
constexpr int IDC_DUET_FOLDER = 1050;
constexpr int IDC_DUET_BROWSE = 1051;
constexpr int IDC_DUET_EXCHANGES = 1052;
constexpr int IDC_DUET_PAUSE = 1053;
constexpr int IDC_DUET_FIRST = 1054;
constexpr int IDC_DUET_TRANSCRIPT = 1055;
constexpr int IDC_DUET_START = 1056;
constexpr int IDC_DUET_STOP = 1057;
constexpr int IDC_DUET_NEW = 1058;
constexpr int IDC_DUET_COPY_MEMORY = 1059;

// Menu commands (menu 132).
constexpr int ID_SHOW_LOG = 32771;
constexpr int ID_SETTINGS = 32772;
constexpr int ID_LEARN = 32773;
constexpr int ID_FORGET = 32774;
constexpr int ID_VERSION = 32775;
constexpr int ID_HOME_PAGE = 32777;
constexpr int ID_RINU_PAGE = 32778;
constexpr int ID_MAIL_WEX = 32779;
constexpr int ID_THANKS_SITE_1 = 32780;
constexpr int ID_THANKS_SITE_2 = 32781;
constexpr int ID_THANKS_SITE_3 = 32782;
constexpr int ID_ABOUT_THANKS = 32783;
constexpr int ID_HELP_PAGE = 32785;
constexpr int ID_MEMORY_BOOK = 32786;
constexpr int ID_DUET = 32787;
constexpr int ID_HELP = 57670;  // the framework's standard help command
