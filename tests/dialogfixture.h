#pragma once
// The main dialog on a simulated recorder, with message boxes recorded instead of shown.
#include "command/commandtypes.h"
#include "guihelpers.h"
#include "recordingnotifier.h"
#include "shell/frmdvrconfig.h"
#include "simfixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <map>
#include <memory>
#include <utility>
#include <vector>

class DialogTest : public ::testing::Test {
protected:
    void open(const std::string &profile = "type=82&channels=4&alarmin=4&alarmout=2&disks=2", bool load = true)
    {
        sim = std::make_unique<SimulatedRecorder>(profile);
        dialog = std::make_unique<TfrmDvrConfig>("host text", sim->login);
        dialog->show();
        if (load)
            dialog->tmrProgressTimer();
    }
    void TearDown() override
    {
        dialog.reset();
        sim.reset();
    }

    template <typename T = QWidget> T *find(const char *name) const
    {
        T *w = dialog->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit *edit(const char *name) const { return find<QLineEdit>(name); }
    void showPage(int page) const { find<QTabWidget>("pgcDvrSet")->setCurrentIndex(page); }
    dvrsim::Device &device() const { return *sim->device; }
    DvrRecords &records() const { return dialog->records(); }

    // Presses a button of the dialog as the operator does.
    void click(const char *name) const { press(*dialog, name); }

    // Saves the page in front and returns what the recorder received.
    std::vector<dvrsim::LogEntry> save()
    {
        device().clearLog();
        notes.messages.clear();
        click("btnSaveConfig");
        return device().log();
    }

    using RecordKey = std::pair<std::int32_t, std::int32_t>; // get command type, channel argument
    using RecordBytes = std::map<RecordKey, std::vector<std::uint8_t>>;

    // Every record the recorder holds. With `spoil` its copies are then flipped, so only a set that
    // really arrives restores them.
    RecordBytes deviceRecords(bool spoil = false) const
    {
        RecordBytes held;
        using namespace cmd;
        for (std::int32_t type :
             {DeviceInfo, Network, ChannelPicture, ChannelRecording, ChannelCompression, ChannelTextOverlay, DnsNtp,
              Nfs, Ddns, Email, Rs232, Decoder, AlarmIn, AlarmOut, Exception, Disk, DiskGroup}) {
            for (std::int32_t channel = 0; channel < 64; ++channel) {
                std::size_t size = 0;
                if (std::uint8_t *bytes = device().locate(type, channel, size)) {
                    held[{type, channel}].assign(bytes, bytes + size);
                    for (std::size_t i = 0; spoil && i < size; ++i)
                        bytes[i] ^= 0xA5;
                }
            }
        }
        return held;
    }

    // Each record set in `log` arrived as `before` holds it, but for the bytes the page declares it
    // normalises; returns how many records were compared.
    int expectSentAsBefore(const std::vector<dvrsim::LogEntry> &log, const RecordBytes &before,
                           const std::vector<NormalisedBytes> &normalised) const
    {
        int records = 0;
        for (const dvrsim::LogEntry &entry : log) {
            if (entry.function != "set_dvr_config")
                continue;
            const RecordKey key{entry.commandType - 1, entry.channel};
            const auto found = before.find(key);
            if (found == before.end()) {
                ADD_FAILURE() << "not a record of the recorder: " << entry.commandType << "/" << entry.channel;
                continue;
            }
            std::size_t size = 0;
            const std::uint8_t *now = device().locate(key.first, key.second, size);
            for (std::size_t i = 0; i < size; ++i) {
                bool declared = false;
                for (const NormalisedBytes &n : normalised)
                    declared = declared || (n.getType == key.first && i >= n.offset && i < n.offset + n.length);
                if (!declared && now[i] != found->second[i]) {
                    ADD_FAILURE() << "command " << entry.commandType << " channel " << entry.channel << ": byte " << i
                                  << " was " << int(found->second[i]) << ", arrived as " << int(now[i]);
                    break;
                }
            }
            ++records;
        }
        return records;
    }

    RecordingNotifier notes;
    std::unique_ptr<SimulatedRecorder> sim;
    std::unique_ptr<TfrmDvrConfig> dialog;
};
