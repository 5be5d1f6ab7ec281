// The keyword table: each keyword's handler, predefined feature group and
// raw rule flags (bits 0-2 value rule, 0x0008 option, 0x0010 repeatable).
#include "ppd/keywords.h"

#include "ppd/device_handlers.h"
#include "ppd/fonts.h"
#include "ppd/media_handlers.h"
#include "ppd/ui_handlers.h"

namespace {

constexpr WORD NO_GROUP = KEYWORD_NO_GROUP;

}  // namespace

KEYWORDROW keywordTable[KEYWORD_COUNT] = {
    {"Include", IncludeProc, NO_GROUP, 0x0012},
    {"ColorDevice", ColorDeviceProc, NO_GROUP, 0x0004},
    {"Protocols", ProtocolsProc, NO_GROUP, 0x0014},
    {"NickName", NickNameProc, NO_GROUP, 0x0002},
    {"LanguageLevel", LanguageLevelProc, NO_GROUP, 0x0002},
    {"LanguageEncoding", LanguageEncodingProc, NO_GROUP, 0x0004},
    {"LanguageVersion", LanguageVersionProc, NO_GROUP, 0x0004},
    {"TTRasterizer", TTRasterizerProc, NO_GROUP, 0x0004},
    {"ExitServer", ExitServerProc, NO_GROUP, 0x0001},
    {"Password", PasswordProc, NO_GROUP, 0x0001},
    {"SuggestedJobTimeout", JobTimeoutProc, NO_GROUP, 0x0002},
    {"SuggestedWaitTimeout", WaitTimeoutProc, NO_GROUP, 0x0002},
    {"PrintPSError", PrintPsErrorProc, NO_GROUP, 0x0004},
    {"JCLBegin", JclBeginProc, NO_GROUP, 0x0002},
    {"JCLToPSInterpreter", JclToPsProc, NO_GROUP, 0x0002},
    {"JCLEnd", JclEndProc, NO_GROUP, 0x0002},
    {"LandscapeOrientation", LsOrientationProc, NO_GROUP, 0x0004},
    {"Font", FontProc, NO_GROUP, 0x000C},
    {"CustomPageSize", CustomPageSizeProc, NO_GROUP, 0x0009},
    {"ParamCustomPageSize", ParamCustomPageProc, NO_GROUP, 0x000C},
    {"MaxMediaWidth", MaxMediaWidthProc, NO_GROUP, 0x0002},
    {"MaxMediaHeight", MaxMediaHeightProc, NO_GROUP, 0x0002},
    {"HWMargins", HwMarginsProc, NO_GROUP, 0x0004},
    {"PageSize", PageSizeProc, 0, 0x0009},
    {"DefaultPageSize", CommonUiDefaultProc, NO_GROUP, 0x0004},
    {"PageRegion", PageRegionProc, 0, 0x0009},
    {"ImageableArea", ImageableAreaProc, 0, 0x0009},
    {"PaperDimension", PaperDimensionProc, 0, 0x0009},
    {"InputSlot", InputSlotProc, 1, 0x0009},
    {"DefaultInputSlot", CommonUiDefaultProc, NO_GROUP, 0x0004},
    {"RequiresPageRegion", RequiresPageRgnProc, 1, 0x000C},
    {"Collate", CommonUiOptionProc, NO_GROUP, 0x0009},
    {"DefaultCollate", CommonUiDefaultProc, NO_GROUP, 0x0004},
    {"Duplex", CommonUiOptionProc, NO_GROUP, 0x0009},
    {"DefaultDuplex", CommonUiDefaultProc, NO_GROUP, 0x0004},
    {"ManualFeed", CommonUiOptionProc, NO_GROUP, 0x0009},
    {"DefaultManualFeed", CommonUiDefaultProc, NO_GROUP, 0x0004},
    {"Resolution", ResolutionProc, 5, 0x0009},
    {"JCLResolution", JclResolutionProc, 5, 0x000A},
    {"DefaultResolution", CommonUiDefaultProc, NO_GROUP, 0x0004},
    {"DefaultJCLResolution", DefaultJclResProc, NO_GROUP, 0x0004},
    {"SetResolution", SetResolutionProc, 5, 0x0009},
    {"ScreenAngle", ScreenAngleProc, NO_GROUP, 0x0002},
    {"ScreenFreq", ScreenFreqProc, NO_GROUP, 0x0002},
    {"ResScreenAngle", ResScreenAngleProc, NO_GROUP, 0x000A},
    {"ResScreenFreq", ResScreenFreqProc, NO_GROUP, 0x000A},
    {"FreeVM", FreeVmProc, NO_GROUP, 0x0002},
    {"InstalledMemory", InstalledMemProc, 6, 0x0009},
    {"DefaultInstalledMemory", CommonUiDefaultProc, NO_GROUP, 0x0004},
    {"VMOption", VmOptionProc, 6, 0x000A},
    {"OpenGroup", OpenGroupProc, NO_GROUP, 0x0014},
    {"CloseGroup", CloseGroupProc, NO_GROUP, 0x0014},
    {"OpenUI", OpenUiProc, NO_GROUP, 0x000C},
    {"CloseUI", CloseUiProc, NO_GROUP, 0x0014},
    {"JCLOpenUI", OpenUiProc, NO_GROUP, 0x000C},
    {"JCLCloseUI", CloseUiProc, NO_GROUP, 0x0014},
    {"OrderDependency", OrderDepProc, NO_GROUP, 0x0014},
    {"UIConstraints", UiConstraintsProc, NO_GROUP, 0x0014},
    {"Extensions", ExtensionsProc, NO_GROUP, 0x0014},
    {"End", NullProc, NO_GROUP, 0x0010},
    {"JCLRes", NullProc, NO_GROUP, 0x000A},
};

namespace ymcko {

KEYWORDTABLE keyword_table{keywordTable};

}  // namespace ymcko
