#include "ResetForTests.h"

#include <exception>

#include "capture/clsSound.h"
#include "capture/clsVolume.h"
#include "config/CallLogSearch.h"
#include "contacts/ContactStore.h"
#include "core/Globals.h"
#include "core/UnwrittenFiles.h"
#include "core/WindowLinks.h"
#include "core/modAttributeGroup.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "core/modError.h"
#include "core/modMain.h"
#include "network/clsRemoteSocket.h"
#include "network/clsServer.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "platform/SingleInstance.h"
#include "platform/SqlHeap.h"
#include "popup/MiniDisplay.h"
#include "statistics/modStatistics.h"
#ifdef VELQUON_TEST_WIDGETS
#include "core/ui/cToolTip.h"
#include "platform/ui/ModalDialog.h"
#endif

void resetForTests()
{
    try {
        CloseContactDB();
    } catch (const std::exception&) {
    }
    try {
        CloseCallerDB();
    } catch (const std::exception&) {
    }
    windowLinks() = WindowLinks();
    gRemoteSocket.reset();
    gServer.reset();
    gSound.reset();
    gVolume.reset();
    gRemoteCallers.reset();
    gContacts = KeyedCollection<clsContact>();
    gAttributeGroups = KeyedCollection<clsAttributeGroup>();
    ReleaseStatistics();
#ifdef VELQUON_TEST_WIDGETS
    gToolTip.reset();
    ModalDialog::resetScripts();
#endif
    miniDisplay().Unload();

    // A test that looks at the kept error must see its own, never one an earlier test left.
    gErrNumber = 0;
    gErrDescription.clear();
    gErrSource.clear();
    gMainForm = nullptr;
    gNetworkMode = Standalone;
    gSwitchingMode = false;
    gRinging = false;
    SingleInstance::instance().release();
    Clock::reset();
    SqlHeap::setProcessorClock(nullptr);
    Prompt::resetScript();
    resetActivityLogState();
    UnwrittenFiles::reset();
    resetCallLogSearch();
    ContactRequestsAnswered();
}
