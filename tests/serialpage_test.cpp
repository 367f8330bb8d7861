// The serial page: channel lists, the RS232 and decoder checks, the copy action and the decoder
// type shown and stored by protocol code.
#include "device/serialpage.h"
#include "dialogfixture.h"
#include "simulator/factory.h"

#include <QCheckBox>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

class SerialPageTest : public DialogTest {
protected:
    // Loads the recorder after `prepare` has changed its records, then shows the serial page.
    template <typename F> void openSerial(const std::string &profile, F prepare)
    {
        open(profile, false);
        prepare(device().state());
        dialog->tmrProgressTimer();
        showPage(TfrmDvrConfig::SerialCfg);
    }
    void openSerial(const std::string &profile = "channels=4")
    {
        openSerial(profile, [](dvrsim::DeviceState &) {});
    }
    QComboBox *box(const char *name) const { return find<QComboBox>(name); }
    QStringList items(const char *name) const
    {
        QStringList texts;
        for (int i = 0; i < box(name)->count(); ++i)
            texts << box(name)->itemText(i);
        return texts;
    }
};

TEST_F(SerialPageTest, ChannelListsFollowTheChannelCountUpToTheSlots)
{
    const std::pair<const char *, int> cases[] = {
        {"channels=4", 4}, {"channels=1", 1}, {"channels=16", 16}, {"channels=20", 16}, {"channels=0", 0}};
    for (auto [profile, count] : cases) {
        openSerial(profile);
        QStringList channels;
        for (int n = 1; n <= count; ++n)
            channels << QStringLiteral("第%1通道").arg(n);
        EXPECT_EQ(items("cbbChannel"), channels) << profile;
        EXPECT_EQ(items("cbbCopyChannel"), QStringList{QStringLiteral("全部通道")} + channels) << profile;
        EXPECT_EQ(box("cbbCopyChannel")->currentIndex(), 0) << profile;
    }
    EXPECT_EQ(items("cbbBaudRate").value(14), QStringLiteral("115.2k"));
    EXPECT_EQ(items("cbb485BaudRate").value(14), QStringLiteral("1115.2k"));
}

// Each row: address typed, whether the save goes through.
// Without channels there is no decoder to check: the RS232 settings still save, alone.
TEST_F(SerialPageTest, ADeviceWithoutChannelsSavesItsRs232Settings)
{
    openSerial("channels=0");
    EXPECT_FALSE(find("grpRS485")->isEnabled());
    choose(box("cbbBaudRate"), 3);
    EXPECT_EQ(save(), (std::vector<dvrsim::LogEntry>{{"set_dvr_config", 1037, 0}}));
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("保存成功")});
    EXPECT_EQ(device().state().rs232.baudRateIndex, 3u);
}

TEST_F(SerialPageTest, DecoderAddressRange)
{
    const std::pair<const char *, bool> cases[] = {{"255", true}, {"0", true}, {"256", false}, {"", false}};
    openSerial();
    for (auto [text, accepted] : cases) {
        click("btnRefresh");
        edit("edtDecoderAdd")->setText(QString::fromLatin1(text));
        const auto log = save();
        if (accepted) {
            EXPECT_EQ(notes.messages, QStringList{QStringLiteral("保存成功")}) << text;
            EXPECT_EQ(device().state().decoder[0].decoderAddress, QByteArray(text).toInt()) << text;
        } else {
            EXPECT_EQ(notes.messages, QStringList{QStringLiteral("解码器地址范围为0-255!")}) << text;
            EXPECT_TRUE(log.empty()) << text;
        }
    }
}

// Each row: field, text; then the message of the first check that fails. Two bad fields at once
// report the one checked first; the addresses count even while the console mode disables them.
TEST_F(SerialPageTest, Rs232ChecksInOrderWhateverTheWorkMode)
{
    struct Case {
        const char *field, *text, *field2, *text2, *message;
    };
    const char *tooLong = "请填入不多于12个字符!", *address = "请输入正确的IP地址!", *confirm = "密码校验不正确!";
    const Case cases[] = {
        {"edtRemoteIP", "", nullptr, nullptr, address},
        {"edtLocalIPMask", "255.255.255", nullptr, nullptr, address},
        {"edtTel", "1234567890123", "edtRemoteIP", "", tooLong},
        {"edtMTU", "1234567890123", "edtLocalIP", "", tooLong},
        {"edtLocalIP", "1.2.3.256", "edtMTU", "99", address},
        {"edtMTU", "12", nullptr, nullptr, confirm},
    };
    openSerial();
    ASSERT_EQ(box("cbbWorkMode")->currentIndex(), 1);
    for (const char *name : {"edtPPPUser", "edtRemoteIP", "edtTel"})
        EXPECT_FALSE(edit(name)->isEnabled()) << name;
    EXPECT_EQ(edit("edtPPPPwd")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit("edtMTU")->echoMode(), QLineEdit::Password);
    for (const Case &c : cases) {
        click("btnRefresh");
        edit(c.field)->setText(QString::fromLatin1(c.text));
        if (c.field2)
            edit(c.field2)->setText(QString::fromLatin1(c.text2));
        const Rs232Record before = records().rs232;
        EXPECT_TRUE(save().empty()) << c.field;
        EXPECT_EQ(notes.messages, QStringList{QString::fromUtf8(c.message)}) << c.field;
        EXPECT_TRUE(sameBytes(before, records().rs232)) << "nothing written: " << c.field;
    }
    choose(box("cbbWorkMode"), 0);
    EXPECT_TRUE(edit("edtRemoteIP")->isEnabled());
    EXPECT_TRUE(find<QCheckBox>("chkRedial")->isEnabled());
    choose(box("cbbWorkMode"), 2);
    EXPECT_FALSE(box("cbbPPPMode")->isEnabled());
}

TEST_F(SerialPageTest, LongUserNameFromTheDeviceIsShownWholeAndBlocksTheSave)
{
    openSerial("channels=4", [](dvrsim::DeviceState &s) { std::memcpy(s.rs232.pppUser, "abcdefghijklm", 14); });
    EXPECT_EQ(edit("edtPPPUser")->text(), QStringLiteral("abcdefghijklm"));
    EXPECT_TRUE(save().empty());
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("请填入不多于12个字符!")});
}

// A narrow-band port with a password and indexes outside the lists: the fill enables the dial-up
// controls and shows each value in its own control; a save without edits sends both records back
// as they came, the indexes outside the lists included.
TEST_F(SerialPageTest, FillShowsTheDeviceValuesAndASaveWithoutEditsKeepsThem)
{
    Rs232Record rs232{};
    DecoderRecord decoder{};
    openSerial("channels=2", [&](dvrsim::DeviceState &s) {
        s.rs232.workMode = 0;
        s.rs232.pppMode = 1;
        s.rs232.callbackMode = 0;
        s.rs232.callbackEnable = 1;
        s.rs232.baudRateIndex = 15;
        s.rs232.stopBitsIndex = 2;
        std::memcpy(s.rs232.pppPassword, "pw12", 5);
        s.decoder[0].baudRateIndex = 15;
        s.decoder[0].parityIndex = 3;
        rs232 = s.rs232;
        decoder = s.decoder[0];
    });
    EXPECT_TRUE(edit("edtPPPUser")->isEnabled());
    EXPECT_TRUE(find<QCheckBox>("chkRedial")->isChecked());
    EXPECT_EQ(box("cbbPPPMode")->currentIndex(), 1);
    EXPECT_EQ(box("cbbRedialMode")->currentIndex(), 0);
    EXPECT_EQ(edit("edtMTU")->text(), QStringLiteral("pw12"));
    for (const char *name : {"cbbBaudRate", "cbbStopBit", "cbb485BaudRate", "cbb485Parity"})
        EXPECT_EQ(box(name)->currentIndex(), -1) << name;
    save();
    EXPECT_EQ(notes.messages.value(0), QStringLiteral("保存成功"));
    EXPECT_TRUE(sameBytes(device().state().rs232, rs232));
    EXPECT_TRUE(sameBytes(device().state().decoder[0], decoder));
}

TEST_F(SerialPageTest, StoresEveryRs232ValueAndKeepsItWhenTheDecoderCheckFails)
{
    openSerial();
    choose(box("cbbWorkMode"), 0);
    choose(box("cbbBaudRate"), 14);
    choose(box("cbbParity"), 2);
    choose(box("cbbPPPMode"), 1);
    choose(box("cbbRedialMode"), 1);
    edit("edtPPPUser")->setText(QStringLiteral("dialer"));
    edit("edtPPPPwd")->setText(QStringLiteral("4321"));
    edit("edtMTU")->setText(QStringLiteral("4321"));
    edit("edtTel")->setText(QStringLiteral("075512345678"));
    find<QCheckBox>("chkDataEncrypt")->setChecked(true);
    const DecoderRecord decoder = records().decoder[0];
    edit("edtDecoderAdd")->setText(QStringLiteral("256"));
    EXPECT_TRUE(save().empty());
    const Rs232Record &r = records().rs232;
    EXPECT_EQ(r.baudRateIndex, 14u) << "stored before the decoder check failed";
    EXPECT_TRUE(sameBytes(decoder, records().decoder[0]));
    edit("edtDecoderAdd")->setText(QStringLiteral("7"));
    save();
    const Rs232Record &s = device().state().rs232;
    EXPECT_EQ(s.workMode, 0u);
    EXPECT_EQ(s.parityIndex, 2);
    EXPECT_EQ(s.pppMode, 1);
    EXPECT_EQ(s.callbackMode, 1);
    EXPECT_EQ(s.dataEncrypt, 1);
    EXPECT_EQ(s.callbackEnable, 0);
    EXPECT_EQ(QByteArray(s.pppUser), QByteArray("dialer"));
    EXPECT_EQ(QByteArray(s.pppPassword), QByteArray("4321"));
    EXPECT_EQ(QByteArray(s.telephoneNumber), QByteArray("075512345678"));
}

// Each row: copy target item; which other slots receive the selected channel's record.
TEST_F(SerialPageTest, CopyWritesWholeRecordsAndSendsNothing)
{
    struct Case {
        int target;
        std::vector<int> receivers;
    };
    const Case cases[] = {{0, {0, 2, 3}}, {2, {}}, {4, {3}}};
    for (const Case &c : cases) {
        openSerial();
        device().clearLog();
        choose(box("cbbChannel"), 1);
        choose(box("cbb485BaudRate"), 12);
        edit("edtDecoderAdd")->setText(QStringLiteral("77"));
        const std::vector<DecoderRecord> before(records().decoder, records().decoder + ChannelSlots);
        choose(box("cbbCopyChannel"), c.target);
        click("btnCopySerialSet");
        const DecoderRecord &source = records().decoder[1];
        EXPECT_EQ(source.decoderAddress, 77) << c.target;
        EXPECT_EQ(source.baudRateIndex, 12u) << c.target;
        EXPECT_EQ(std::memcmp(source.reserved16, before[1].reserved16, sizeof source.reserved16), 0);
        for (int j : {0, 2, 3, 4}) {
            const bool receives = std::find(c.receivers.begin(), c.receivers.end(), j) != c.receivers.end();
            EXPECT_TRUE(sameBytes(records().decoder[j], receives ? source : before[std::size_t(j)]))
                << "target " << c.target << " slot " << j;
        }
        EXPECT_TRUE(device().log().empty());
        EXPECT_TRUE(notes.messages.isEmpty());
    }
}

TEST_F(SerialPageTest, CopyStopsWhenTheAddressIsRefused)
{
    openSerial();
    const std::vector<DecoderRecord> before(records().decoder, records().decoder + ChannelSlots);
    choose(box("cbb485Parity"), 1);
    edit("edtDecoderAdd")->setText(QString());
    click("btnCopySerialSet");
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("解码器地址范围为0-255!")});
    for (int j = 0; j < 4; ++j)
        EXPECT_TRUE(sameBytes(before[std::size_t(j)], records().decoder[j])) << j;
}

// The device lists PELCO_D (code 8) first, YOULI (0) fourth, PELCO_P (3) ninth and code 200 last
// with a high word; a type it does not list shows no selection. A save without edits keeps every
// channel's type; picking an item stores that item's code.
TEST_F(SerialPageTest, DecoderTypeIsShownAndStoredByCode)
{
    const std::uint16_t types[5] = {8, 0, 3, 200, 555};
    const int positions[5] = {0, 3, 8, 87, -1};
    openSerial("channels=5&ptzcodes=shuffled", [&](dvrsim::DeviceState &s) {
        for (int k = 0; k < 5; ++k)
            s.decoder[std::size_t(k)].decoderType = types[k];
    });
    EXPECT_EQ(box("cbbDecoderType")->count(), 88);
    for (int k = 0; k < 5; ++k) {
        choose(box("cbbChannel"), k);
        EXPECT_EQ(box("cbbDecoderType")->currentIndex(), positions[k]) << k;
        save();
        EXPECT_EQ(notes.messages.value(0), QStringLiteral("保存成功"));
        for (int j = 0; j < 5; ++j)
            EXPECT_EQ(device().state().decoder[std::size_t(j)].decoderType, types[j]) << "after saving channel " << k;
    }
    EXPECT_EQ(box("cbbDecoderType")->itemText(0), QStringLiteral("PELCO_D"));
    choose(box("cbbDecoderType"), 8);
    save();
    EXPECT_EQ(device().state().decoder[4].decoderType, 3);
    choose(box("cbbDecoderType"), 87);
    save();
    EXPECT_EQ(device().state().decoder[4].decoderType, 200);
}

// Each row: protocol count the device claims; items listed.
TEST_F(SerialPageTest, ProtocolListStaysWithinItsEntriesAndNames)
{
    const std::pair<std::uint32_t, int> cases[] = {{0, 0}, {200, 200}, {201, 200}, {0xFFFFFFFFu, 200}};
    for (const auto &[claimed, shown] : cases) {
        const std::uint32_t count = claimed; // a lambda cannot capture a structured binding in C++20
        openSerial("channels=2", [count](dvrsim::DeviceState &s) {
            s.ptz.protocolCount = count;
            std::memcpy(s.ptz.entries[199].protocolName, "ABCDEFGHIJKLMNOP", 16); // no NUL
            s.ptz.entries[199].protocolCode = 77;
            s.decoder[0].decoderType = 77;
        });
        EXPECT_EQ(box("cbbDecoderType")->count(), shown) << count;
        EXPECT_EQ(box("cbbDecoderType")->currentIndex(), shown ? 77 : -1) << count;
        if (shown) {
            EXPECT_EQ(box("cbbDecoderType")->itemText(199), QStringLiteral("ABCDEFGHIJKLMNOP")) << count;
        }
        save();
        EXPECT_EQ(device().state().decoder[0].decoderType, 77) << count;
    }
}

TEST_F(SerialPageTest, NumericFieldsTakeOnlyDigitsUpToTheirLimits)
{
    openSerial();
    choose(box("cbbWorkMode"), 0);
    const std::pair<const char *, int> limits[] = {{"edtTel", 12}, {"edtMTU", 12}, {"edtDecoderAdd", 3}};
    for (auto [name, limit] : limits) {
        QLineEdit *field = edit(name);
        field->clear();
        QTest::keyClicks(field, QStringLiteral("1a-2 ") + QString(limit, QLatin1Char('3')));
        EXPECT_EQ(field->text(), (QStringLiteral("12") + QString(limit, QLatin1Char('3'))).left(limit)) << name;
    }
}

TEST(SimulatorProfile, PtzCodesOption)
{
    dvrsim::Profile profile;
    int rebootMs = 0;
    EXPECT_TRUE(dvrsim::parseProfile("channels=4&ptzcodes=shuffled", profile, rebootMs));
    EXPECT_TRUE(profile.shuffledPtzCodes);
    EXPECT_TRUE(dvrsim::parseProfile("ptzcodes=positions", profile, rebootMs));
    EXPECT_FALSE(profile.shuffledPtzCodes);
    EXPECT_FALSE(dvrsim::parseProfile("ptzcodes=random", profile, rebootMs));
    const PtzProtocolList plain = dvrsim::makeFactoryState(profile).ptz;
    for (std::uint32_t i = 0; i < 88; ++i)
        EXPECT_EQ(plain.entries[i].protocolCode, i);
    profile.shuffledPtzCodes = true;
    const PtzProtocolList shuffled = dvrsim::makeFactoryState(profile).ptz;
    EXPECT_EQ(shuffled.entries[0].protocolCode, 8u);
    EXPECT_EQ(QByteArray(shuffled.entries[0].protocolName), QByteArray("PELCO_D"));
    EXPECT_EQ(shuffled.entries[87].protocolCode, 0x100C8u);
}

} // namespace
