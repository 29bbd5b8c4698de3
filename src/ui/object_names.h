#pragma once

// The Qt object names of the windows and their controls, one table per window. They are the
// control names these windows have always carried, and they are seen from outside the code: the
// window tests find widgets by them, and a modal window is known by its own. The code names the
// widgets by what they do and gives them these names when it makes them; a name here changes
// only together with everything that looks for it.
//
// The members of a control array share the array's name with "_" and the index appended
// (ArrayName: "MachineOpt_3").
namespace gw::ui::object_names {

namespace main_window {
inline constexpr const char* kWindow = "CreateDLL_Frm";
// The list panel.
inline constexpr const char* kIconList = "IconList";
inline constexpr const char* kLargePicture = "Image1";
inline constexpr const char* kSmallPicture = "Image2";
inline constexpr const char* kIconFrame = "IconFrame";
inline constexpr const char* kMoveButtons = "MoveCmd"; // array: 0 up, 1 down
inline constexpr const char* kImageCount = "nrLbl";
inline constexpr const char* kGroupId = "IdLbl";
inline constexpr const char* kFilesFrame = "FilesFrame";
inline constexpr const char* kAddButton = "AddCmd";
inline constexpr const char* kRemoveButton = "RemoveCmd";
inline constexpr const char* kRemoveUncheckedButton = "CUnchkCmd";
inline constexpr const char* kRemoveAllButton = "Command1";
// The build actions.
inline constexpr const char* kTargetFrame = "TargetFrame";
inline constexpr const char* kTargetOptions = "MachineOpt"; // array, in the target table's order
inline constexpr const char* kBuildButton = "BuilCmd";
inline constexpr const char* kExitButton = "ExitCmd";
// The menus and their items.
inline constexpr const char* kFileMenu = "File_FM1";
inline constexpr const char* kAddItem = "AddIcon_FM2";
inline constexpr const char* kRemoveItem = "RemoveIcon_FM2";
inline constexpr const char* kBuildItem = "Build_FM2";
inline constexpr const char* kExitItem = "Exit_FM2";
inline constexpr const char* kEditMenu = "Edit_EM1";
inline constexpr const char* kMoveItems = "Move_EM2"; // array: 0 up, 1 down
inline constexpr const char* kRemoveUncheckedItem = "Clean_EM2";
inline constexpr const char* kRemoveAllItem = "CleanAll_EM2";
inline constexpr const char* kTargetMenu = "Machine_M1";
inline constexpr const char* kTargetItems = "Machine_M2"; // array, as kTargetOptions
inline constexpr const char* kToolsMenu = "Tools_OM1";
inline constexpr const char* kRemoveImagesItem = "Remove_OM2";
inline constexpr const char* kEditIconItem = "Edit_OM2";
inline constexpr const char* kOptionsMenu = "Options_OM1";
inline constexpr const char* kSelectedTargetItem = "OneTarget_OM2";
inline constexpr const char* kAllTargetsItem = "AllTargets_OM2";
inline constexpr const char* kForSetupItem = "ChangeSetup_OM2";
inline constexpr const char* kHelpMenu = "Help_HM1";
inline constexpr const char* kHelpItem = "Help_HM2";
inline constexpr const char* kSetupNoticeItem = "Setup_HM2";
inline constexpr const char* kAboutItem = "About_HM2";
} // namespace main_window

namespace image_remover {
inline constexpr const char* kWindow = "RmvImgFrm";
inline constexpr const char* kFilePath = "FileLbl";
inline constexpr const char* kFileName = "FileIdLbl";
inline constexpr const char* kImageList = "ImageList";
inline constexpr const char* kPreview = "Image1";
inline constexpr const char* kCaptions = "Label1"; // array: 0 "Icon File:", 1 "Images:"
inline constexpr const char* kLines = "Line1";     // array: the two separator lines
inline constexpr const char* kFileMenu = "File_M1";
inline constexpr const char* kOpenItem = "File_Load";
inline constexpr const char* kSaveItem = "File_Save";
inline constexpr const char* kSaveAsItem = "File_SaveAs";
inline constexpr const char* kFileSeparator = "File_Sep1";
inline constexpr const char* kExitItem = "File_Exit";
inline constexpr const char* kHelpMenu = "Help";
inline constexpr const char* kHelpItem = "Help_Help";
inline constexpr const char* kHelpSeparator = "Help_Sep1";
inline constexpr const char* kAboutItem = "Help_About";
} // namespace image_remover

namespace convert_window {
inline constexpr const char* kWindow = "ConvertFrm";
inline constexpr const char* kSourcePath = "SourceLbl";
inline constexpr const char* kSourcePicture = "SourceImg";
inline constexpr const char* kSizeBoxes = "SizeChk";   // array: 16, 32
inline constexpr const char* kDepthBoxes = "DepthChk"; // array: 4, 8
inline constexpr const char* kPreviews = "PreviewImg"; // array: sizes x depths, real size
inline constexpr const char* kEnlarged = "ZoomImg";    // array: sizes x depths, enlarged
inline constexpr const char* kDitherBox = "DitherChk";
inline constexpr const char* kStandardPaletteBox = "StandardChk";
inline constexpr const char* kSaveButton = "SaveCmd";
inline constexpr const char* kCancelButton = "CancelCmd";
inline constexpr const char* kLines = "Line1"; // array: the two separator lines
} // namespace convert_window

namespace cab_progress {
inline constexpr const char* kWindow = "CabProgressFrm";
inline constexpr const char* kWhatIsDone = "InfoLbl";
inline constexpr const char* kCommand = "CommandLbl";
inline constexpr const char* kWaited = "WaitLbl";
inline constexpr const char* kStopButton = "StopCmd";
} // namespace cab_progress

namespace extension_dialog {
inline constexpr const char* kWindow = "ExtensionFrm";
inline constexpr const char* kExplanation = "Label1";
inline constexpr const char* kRandomOption = "RandomOpt";
inline constexpr const char* kTypedOption = "UserOpt";
inline constexpr const char* kExtensionBox = "ExtTxt";
inline constexpr const char* kContinueButton = "Command1";
} // namespace extension_dialog

namespace setup_notice {
inline constexpr const char* kWindow = "SetupNote";
inline constexpr const char* kTexts = "Label1"; // array: the eight texts, by their number
inline constexpr const char* kDontShowAgainBox = "ShowMsgOpt";
inline constexpr const char* kContinueButton = "Command1";
} // namespace setup_notice

namespace about_dialog {
inline constexpr const char* kWindow = "frmAbout";
inline constexpr const char* kPicture = "picIcon";
inline constexpr const char* kTitle = "lblTitle";
inline constexpr const char* kVersion = "lblVersion";
inline constexpr const char* kDisclaimers = "lblDisclaimer"; // array: what it is for, the visit
inline constexpr const char* kLogoParts = "Clbl";            // array: "Glyph", "wright"
inline constexpr const char* kOkButton = "cmdOK";
inline constexpr const char* kUpperLine = "Line1";
inline constexpr const char* kLowerLine = "Cline";
} // namespace about_dialog

// The maker's address in the About box and the setup notice.
inline constexpr const char* kSiteLabel = "SiteLbl";

namespace text_file_window {
inline constexpr const char* kWindow = "TextFileWindow";
inline constexpr const char* kText = "TextFileText";
} // namespace text_file_window

} // namespace gw::ui::object_names
