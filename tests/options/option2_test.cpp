// The Explorer registration dialog against the real HKEY_CLASSES_ROOT: what it shows for a file type,
// and the verbs that OK leaves in the registry.
#include "classes_kit.h"
#include "core/registry.h"
#include "option_fixture.h"
#include "options/muravine_option2.h"

using optkit::Checked;
using optkit::Text;

namespace {

struct Verb {
    int box;
    const wchar_t* name;
    const wchar_t* caption;
    const wchar_t* menu;
    const wchar_t* sw;
};
const Verb kVerbs[] = {
    {IDC_OPT2_ADDCENTER, L"AddCenter", L"壁紙リストに追加(中央に表示)", L"壁紙リストに追加（中央に表示）", L"/ac"},
    {IDC_OPT2_ADDTILE, L"AddTile", L"壁紙リストに追加(並べて表示)", L"壁紙リストに追加（並べて表示）", L"/at"},
    {IDC_OPT2_ADDSCREEN, L"AddScreen", L"壁紙リストに追加(拡大して表示)", L"壁紙リストに追加（拡大して表示）", L"/as"},
    {IDC_OPT2_WALLCENTER, L"WallCenter", L"壁紙に設定(中央に表示)", L"壁紙に設定（中央に表示）", L"/wc"},
    {IDC_OPT2_WALLTILE, L"WallTile", L"壁紙に設定(並べて表示)", L"壁紙に設定（並べて表示）", L"/wt"},
    {IDC_OPT2_WALLSCREEN, L"WallScreen", L"壁紙に設定(拡大して表示)", L"壁紙に設定（拡大して表示）", L"/ws"},
};

std::wstring VerbKey(const std::wstring& cls, const Verb& v) { return cls + L"\\shell\\MURAVINE" + v.name; }

class RegistrationTest : public OptionTest {
protected:
    // The registration dialog for a target, opened as the options dialog opens it.
    HWND OpenRegistration(const std::wstring& target) {
        ui.Post([target] {
            gv_sShellTarget = target;
            FormMURAVINEOption2 = std::make_unique<TFormMURAVINEOption2>();
            FormMURAVINEOption2->ShowModal(nullptr);
            FormMURAVINEOption2.reset();
        });
        reg = optkit::WaitForDialog(L"エクスプローラ右クリックに追加(" + target + L")");
        EXPECT_NE(reg, nullptr) << testkit::Narrow(target);
        return reg;
    }
    // Through the options dialog's bitmap button.
    HWND OpenForBitmaps() {
        Open();
        optkit::PostClick(C(IDC_OPT_RIGHTMENU));
        reg = optkit::WaitForDialog(L"エクスプローラ右クリックに追加(*.bmp)");
        EXPECT_NE(reg, nullptr);
        return reg;
    }
    HWND Box(const Verb& v) const { return GetDlgItem(reg, v.box); }
    std::vector<bool> Ticks() const {
        std::vector<bool> t;
        for (const Verb& v : kVerbs) t.push_back(Checked(Box(v)));
        return t;
    }
    void SetTicks(const std::vector<bool>& want) const {
        for (std::size_t i = 0; i < 6; ++i)
            if (Checked(Box(kVerbs[i])) != want[i]) optkit::Click(Box(kVerbs[i]));
    }
    void PressOk() {
        optkit::Click(GetDlgItem(reg, IDOK));
        EXPECT_TRUE(optkit::WaitGone(reg));
        ui.Call([] {});
    }
    std::wstring Command(const Verb& v) const {
        return L"\"" + mrv::app::ExePath() + L"\" " + v.sw + L" \"%1\"";
    }
    // The class's verbs are exactly the ticked ones, each with its menu text and command.
    void ExpectVerbs(const std::wstring& cls, const std::vector<bool>& ticked) const {
        for (std::size_t i = 0; i < 6; ++i) {
            const Verb& v = kVerbs[i];
            EXPECT_EQ(classes::Exists(VerbKey(cls, v)), ticked[i]) << testkit::Narrow(v.name);
            if (!ticked[i]) continue;
            EXPECT_EQ(classes::Default(VerbKey(cls, v)), v.menu);
            EXPECT_EQ(classes::Default(VerbKey(cls, v) + L"\\command"), Command(v));
        }
    }

    classes::Associations assoc;
    HWND reg = nullptr;
};

const std::vector<bool> kNone(6, false);

}  // namespace

TEST_F(RegistrationTest, BitmapButtonOpensTheDialogForBitmapsAsDesigned) {
    assoc.Map(L".bmp", L"Paint.Picture");
    OpenForBitmaps();
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(GetWindow(reg, GW_OWNER), dlg) << "modal over the options dialog";
    EXPECT_FALSE(IsWindowEnabled(dlg));
    RECT r{}, o{};
    GetWindowRect(reg, &r);
    GetWindowRect(dlg, &o);
    EXPECT_LE(std::abs((r.left + r.right) - (o.left + o.right)), 2) << "centred over its owner";
    EXPECT_LE(std::abs((r.top + r.bottom) - (o.top + o.bottom)), 2);
    RECT prev{};
    for (std::size_t i = 0; i < 6; ++i) {
        HWND b = Box(kVerbs[i]);
        EXPECT_EQ(Text(b), kVerbs[i].caption);
        EXPECT_TRUE(IsWindowEnabled(b));
        EXPECT_FALSE(Checked(b)) << "no verb is registered yet";
        RECT br{};
        GetWindowRect(b, &br);
        if (i % 3) {
            EXPECT_GT(br.top, prev.top) << "centre, tile, screen from the top";
        }
        if (i >= 3) {
            RECT left{};
            GetWindowRect(Box(kVerbs[i - 3]), &left);
            EXPECT_GT(br.left, left.right - 1) << "壁紙に設定 is the right column";
        }
        prev = br;
    }
    EXPECT_EQ(Text(GetDlgItem(reg, IDOK)), L"OK");
    EXPECT_EQ(Text(GetDlgItem(reg, IDCANCEL)), L"キャンセル");
    EXPECT_EQ(LOWORD(SendMessageW(reg, DM_GETDEFID, 0, 0)), IDOK);
    EXPECT_EQ(OnUi([] { return gv_sShellExt; }), L"bmp");
    optkit::Click(GetDlgItem(reg, IDCANCEL));
    EXPECT_TRUE(optkit::WaitGone(reg));
    EXPECT_TRUE(IsWindowEnabled(dlg)) << "the options dialog stays open after it";
    EXPECT_TRUE(ui.closed().empty());
}

TEST_F(RegistrationTest, OkMakesTheClassHoldExactlyTheTickedVerbs) {
    assoc.Map(L".bmp", L"Paint.Picture");
    OpenForBitmaps();
    const std::vector<bool> first = {true, false, false, false, true, true};
    SetTicks(first);
    PressOk();
    ExpectVerbs(L"Paint.Picture", first);
    EXPECT_TRUE(classes::Exists(L"Paint.Picture\\shell\\open\\command")) << "the class's own verb stays";

    // Shown ticked the next time; then one cleared and one added.
    optkit::PostClick(C(IDC_OPT_RIGHTMENU));
    reg = optkit::WaitForDialog(L"エクスプローラ右クリックに追加(*.bmp)");
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(Ticks(), first);
    const std::vector<bool> second = {false, false, true, false, true, true};
    SetTicks(second);
    PressOk();
    ExpectVerbs(L"Paint.Picture", second);
    std::set<std::wstring> keys = classes::SubKeys(L"Paint.Picture\\shell");
    EXPECT_EQ(keys, (std::set<std::wstring>{L"open", L"MURAVINEAddScreen", L"MURAVINEWallTile", L"MURAVINEWallScreen"}));

    // Everything cleared: the shell key stays, with the class's own verb.
    optkit::PostClick(C(IDC_OPT_RIGHTMENU));
    reg = optkit::WaitForDialog(L"エクスプローラ右クリックに追加(*.bmp)");
    ASSERT_NE(reg, nullptr);
    SetTicks(kNone);
    PressOk();
    EXPECT_EQ(classes::SubKeys(L"Paint.Picture\\shell"), (std::set<std::wstring>{L"open"}));
    EXPECT_TRUE(ui.closed().empty()) << "the options dialog is still open";
}

TEST_F(RegistrationTest, TickedVerbIsRewrittenForTheExecutableWhereItLivesNow) {
    assoc.Map(L".mrvmoved", L"MrvMoved.File");
    const std::wstring key = L"MrvMoved.File\\shell\\MURAVINEWallTile";
    classes::SetDefault(key, L"old text");
    classes::SetValue(key, L"Extended", L"");
    classes::SetDefault(key + L"\\command", L"\"C:\\Old Place\\MURAVINE.exe\" /wt \"%1\"");
    classes::SetDefault(L"MrvMoved.File\\shell\\other", L"Someone else's verb");
    OpenRegistration(L"*.mrvmoved");
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false, false, true, false}));
    PressOk();
    ExpectVerbs(L"MrvMoved.File", {false, false, false, false, true, false});
    bool extended = false;
    classes::Value(key, L"Extended", &extended);
    EXPECT_TRUE(extended) << "other values of the verb stay";
    EXPECT_EQ(classes::Default(L"MrvMoved.File\\shell\\other"), L"Someone else's verb");
}

TEST_F(RegistrationTest, ExtensionWithoutClassShowsEnabledEmptyBoxesAndOkWritesNothing) {
    assoc.Map(L".mrvnoclass", L"");
    OpenRegistration(L"*.mrvnoclass");
    for (const Verb& v : kVerbs) {
        EXPECT_TRUE(IsWindowEnabled(Box(v)));
        EXPECT_FALSE(Checked(Box(v)));
    }
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(reg, IDOK)));
    SetTicks(std::vector<bool>(6, true));
    PressOk();
    EXPECT_EQ(classes::SubKeys(L".mrvnoclass"), std::set<std::wstring>{});
    for (const Verb& v : kVerbs)
        EXPECT_FALSE(classes::Exists(std::wstring(L"shell\\MURAVINE") + v.name)) << "nothing at the root";
}

TEST_F(RegistrationTest, ExtensionWithoutKeyLeavesOnlyCancel) {
    assoc.Forget(L".mrvnokey");
    OpenRegistration(L"*.mrvnokey");
    for (const Verb& v : kVerbs) EXPECT_FALSE(IsWindowEnabled(Box(v)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(reg, IDOK)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(reg, IDCANCEL)));
    // Enter reaches nothing but キャンセル.
    optkit::PressKey(GetDlgItem(reg, IDCANCEL), VK_RETURN);
    EXPECT_TRUE(optkit::WaitGone(reg));
    EXPECT_FALSE(classes::Exists(L".mrvnokey")) << "the dialog creates no extension key";
}

class LeavingWithoutOk : public RegistrationTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LeavingWithoutOk, LeavesTheRegistryUntouched) {
    assoc.Map(L".mrvleave", L"MrvLeave.File");
    classes::SetDefault(L"MrvLeave.File\\shell\\MURAVINEAddTile", L"kept");
    OpenRegistration(L"*.mrvleave");
    SetTicks({true, false, true, true, true, true});
    const std::string how = GetParam();
    if (how == "button") optkit::Click(GetDlgItem(reg, IDCANCEL));
    else if (how == "esc") optkit::PressKey(Box(kVerbs[0]), VK_ESCAPE);
    else PostMessageW(reg, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(optkit::WaitGone(reg)) << how;
    EXPECT_EQ(classes::SubKeys(L"MrvLeave.File\\shell"), (std::set<std::wstring>{L"open", L"MURAVINEAddTile"}));
    EXPECT_EQ(classes::Default(L"MrvLeave.File\\shell\\MURAVINEAddTile"), L"kept");
}

INSTANTIATE_TEST_SUITE_P(Ways, LeavingWithoutOk, ::testing::Values("button", "esc", "closebox"));

TEST_F(RegistrationTest, ExtensionsOfOneClassShareTheVerbs) {
    assoc.Map(L".mrva", L"MrvAB.Picture");
    assoc.Map(L".mrvb", L"MrvAB.Picture");
    OpenRegistration(L"*.mrva");
    SetTicks({false, true, false, false, false, true});
    PressOk();
    OpenRegistration(L"*.mrvb");
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, false, false, false, true}));
    SetTicks(kNone);
    PressOk();
    ExpectVerbs(L"MrvAB.Picture", kNone);
    OpenRegistration(L"*.mrva");
    EXPECT_EQ(Ticks(), kNone);
    optkit::Click(GetDlgItem(reg, IDCANCEL));
    EXPECT_TRUE(optkit::WaitGone(reg));
}

TEST_F(RegistrationTest, TargetPatternNamesTheExtensionKey) {
    struct Case {
        const wchar_t* target;
        const wchar_t* ext;
    };
    const Case cases[] = {
        {L"*.MRVCAPS", L"MRVCAPS"},   // key names compare without regard to case
        {L"mrvnodot", L"mrvnodot"},   // no dot: the whole target
        {L"*.mrv.tar", L"mrv.tar"},   // several dots: all after the first
    };
    assoc.Map(L".mrvcaps", L"MrvTarget.File");
    assoc.Map(L".mrvnodot", L"MrvTarget.File");
    assoc.Map(L".mrv.tar", L"MrvTarget.File");
    classes::SetDefault(L"MrvTarget.File\\shell\\MURAVINEWallCenter", L"x");
    for (const Case& c : cases) {
        OpenRegistration(c.target);
        EXPECT_EQ(OnUi([] { return gv_sShellExt; }), c.ext);
        EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false, true, false, false})) << testkit::Narrow(c.target);
        optkit::Click(GetDlgItem(reg, IDCANCEL));
        EXPECT_TRUE(optkit::WaitGone(reg));
    }
}

TEST_F(RegistrationTest, RefusedWriteIsShownAndTheDialogStaysOpen) {
    // A class name longer than a registry key name may be: the verb's key cannot be made.
    const std::wstring longClass(300, L'x');
    assoc.Map(L".mrvrefused", L"");
    classes::SetDefault(L".mrvrefused", longClass);
    OpenRegistration(L"*.mrvrefused");
    optkit::Click(Box(kVerbs[0]));
    optkit::PostClick(GetDlgItem(reg, IDOK));
    // The program's error box: its title, a stop icon, one OK button.
    HWND box = optkit::WaitForDialog(mrv::app::Title());
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(Text(GetDlgItem(box, 0xFFFF)).empty());
    EXPECT_TRUE(IsWindowVisible(reg)) << "the dialog stays open behind the message";
    optkit::PostClick(GetDlgItem(box, IDOK));
    ASSERT_TRUE(optkit::WaitGone(box));
    ui.Call([] {});
    EXPECT_TRUE(IsWindow(reg) && IsWindowVisible(reg)) << "the dialog stays open";
    EXPECT_FALSE(classes::Exists(longClass));
    optkit::Click(GetDlgItem(reg, IDCANCEL));
    EXPECT_TRUE(optkit::WaitGone(reg));
}

TEST(RegistryVerbs, ReadAddAndDeleteLeaveNoKeyOpen) {
    classes::Associations assoc;
    assoc.Map(L".mrvdirect", L"MrvDirect.File");
    mrv::app::SetExePath(L"C:\\Program Files\\MURAVINE\\MURAVINE.exe");
    mrv::Registry reg(HKEY_CLASSES_ROOT);
    EXPECT_FALSE(TFormMURAVINEOption2::regread(reg, L"MrvDirect.File", L"WallScreen"));
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    TFormMURAVINEOption2::regadd(reg, L"MrvDirect.File", L"WallScreen", L"壁紙に設定（拡大して表示）", L"/ws");
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_EQ(classes::Default(L"MrvDirect.File\\shell\\MURAVINEWallScreen\\command"),
              L"\"C:\\Program Files\\MURAVINE\\MURAVINE.exe\" /ws \"%1\"");
    EXPECT_TRUE(TFormMURAVINEOption2::regread(reg, L"MrvDirect.File", L"WallScreen"));
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    TFormMURAVINEOption2::regdel(reg, L"MrvDirect.File", L"WallScreen");
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_FALSE(classes::Exists(L"MrvDirect.File\\shell\\MURAVINEWallScreen"));
    EXPECT_TRUE(classes::Exists(L"MrvDirect.File\\shell"));
    // Deleting what is not there changes nothing, with or without a shell key.
    TFormMURAVINEOption2::regdel(reg, L"MrvDirect.File", L"WallScreen");
    TFormMURAVINEOption2::regdel(reg, L"MrvNoSuch.File", L"WallScreen");
    EXPECT_FALSE(classes::Exists(L"MrvNoSuch.File"));
    EXPECT_EQ(reg.CurrentKey(), nullptr);
}
