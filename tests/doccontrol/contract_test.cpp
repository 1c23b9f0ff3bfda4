#include "framercontrol.h"
#include "quillarycontrol.h"

#include <gtest/gtest.h>

// The client calls the control late-bound by number; both sides keep their own table of
// numbers, so this is where a change on one side alone shows up.
TEST(ControlContract, clientAndControlAgreeOnEveryDispatchId)
{
    const std::pair<automation::DispId, automation::DispId> pairs[] = {
        {doccontrol::dispid::DocumentObject, framer::dispid::DocumentObject},
        {doccontrol::dispid::OpenDocument, framer::dispid::OpenDocument},
        {doccontrol::dispid::SaveDocument, framer::dispid::SaveDocument},
        {doccontrol::dispid::HandSign, framer::dispid::HandSign},
        {doccontrol::dispid::CloseDocument, framer::dispid::CloseDocument},
        {doccontrol::dispid::ShowFileDialog, framer::dispid::ShowFileDialog},
        {doccontrol::dispid::DocumentName, framer::dispid::DocumentName},
        {doccontrol::dispid::InsertFile, framer::dispid::InsertFile},
        {doccontrol::dispid::MarkCommand, framer::dispid::MarkCommand},
        {doccontrol::dispid::ProtectDocument, framer::dispid::ProtectDocument},
        {doccontrol::dispid::ReplaceText, framer::dispid::ReplaceText},
        {doccontrol::dispid::DownloadFile, framer::dispid::DownloadFile},
    };
    for (const auto &[client, control] : pairs)
        EXPECT_EQ(client, control);
}
