// Network connectivity of platform/network.h from the system's network list manager.
#include <windows.h>
// windows.h first: netlistmgr.h depends on its types.
#include <netlistmgr.h>

#include "platform/network.h"

namespace platform {

NetworkReading ReadNetwork() {
    NetworkReading reading;
    // COM for this call only; a thread that already has it in the other model keeps it, and
    // the object works in either.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(com) && com != RPC_E_CHANGED_MODE) return reading;
    INetworkListManager* manager = nullptr;
    if (SUCCEEDED(CoCreateInstance(__uuidof(NetworkListManager), nullptr, CLSCTX_ALL,
                                   IID_PPV_ARGS(&manager))) &&
        manager != nullptr) {
        reading.available = true;
        NLM_CONNECTIVITY connectivity = NLM_CONNECTIVITY_DISCONNECTED;
        if (SUCCEEDED(manager->GetConnectivity(&connectivity))) {
            reading.connectivityRead = true;
            reading.connectivity = static_cast<uint32_t>(connectivity);
        }
        // The property get_IsConnectedToInternet; mingw-w64's header names its getter without
        // the prefix.
        VARIANT_BOOL connected = VARIANT_FALSE;
        if (SUCCEEDED(manager->IsConnectedToInternet(&connected))) {
            reading.internetRead = true;
            reading.connectedToInternet = connected != VARIANT_FALSE;
        }
        manager->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return reading;
}

}  // namespace platform
