#include "platform/NetworkSource.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <netlistmgr.h>
#include <ocidl.h>
#include <windows.h>
#include <wrl/client.h>

// The network's reach as Windows' Network List Manager tells it. Qt for Windows built with mingw-w64
// has no network information backend, so the manager is asked directly.
namespace platform {
namespace {

using Microsoft::WRL::ComPtr;

// How often the reach is read again where the manager takes no event sink.
constexpr int kPollMilliseconds = 30 * 1000;

NetworkReach ReachOf(NLM_CONNECTIVITY connectivity) {
    // A link without traffic still counts: a server on it may answer, and checks only wait when the
    // system is sure there is no network at all.
    return connectivity == NLM_CONNECTIVITY_DISCONNECTED ? NetworkReach::Offline : NetworkReach::Online;
}

// Takes the manager's events and asks the source, on its own thread, to read the reach again: in a
// multithreaded apartment the events come on a thread of COM's own.
class CConnectivitySink final : public INetworkListManagerEvents {
public:
    explicit CConnectivitySink(QObject* pSource, std::function<void()> refresh)
        : m_pSource(pSource), m_Refresh(std::move(refresh)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_INetworkListManagerEvents)) {
            *ppv = static_cast<INetworkListManagerEvents*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_References; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_References;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE ConnectivityChanged(NLM_CONNECTIVITY) override {
        QMetaObject::invokeMethod(m_pSource, m_Refresh, Qt::QueuedConnection);
        return S_OK;
    }

private:
    QObject* m_pSource;
    std::function<void()> m_Refresh;
    std::atomic<ULONG> m_References{1};
};

class CNetworkListSource final : public QObject, public CNetworkSource {
public:
    CNetworkListSource() {
        // Qt has set up COM on the UI thread already; this only balances our own use of it.
        const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        m_bUninitialise = SUCCEEDED(initialised); // S_FALSE too; RPC_E_CHANGED_MODE is Qt's to keep
        if (FAILED(CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL, IID_INetworkListManager,
                                    &m_pManager)))
            return;
        m_Reach = Read();
        if (!Advise()) {
            connect(&m_Poll, &QTimer::timeout, this, &CNetworkListSource::Refresh);
            m_Poll.start(kPollMilliseconds);
        }
    }

    ~CNetworkListSource() override {
        m_Poll.stop();
        if (m_pConnectionPoint)
            m_pConnectionPoint->Unadvise(m_dwCookie);
        m_pConnectionPoint.Reset();
        m_pManager.Reset();
        if (m_bUninitialise)
            CoUninitialize();
    }

    NetworkReach Reach() const override { return m_Reach; }

    void OnChange(std::function<void(NetworkReach)> onChange) override { m_OnChange = std::move(onChange); }

private:
    NetworkReach Read() const {
        NLM_CONNECTIVITY connectivity = NLM_CONNECTIVITY_DISCONNECTED;
        if (FAILED(m_pManager->GetConnectivity(&connectivity)))
            return NetworkReach::Unknown;
        return ReachOf(connectivity);
    }

    void Refresh() {
        const NetworkReach reach = Read();
        if (reach == m_Reach)
            return;
        m_Reach = reach;
        if (m_OnChange)
            m_OnChange(reach);
    }

    // Whether the manager will tell of changes itself.
    bool Advise() {
        ComPtr<IConnectionPointContainer> pContainer;
        if (FAILED(m_pManager.As(&pContainer)) ||
            FAILED(pContainer->FindConnectionPoint(IID_INetworkListManagerEvents, &m_pConnectionPoint)))
            return false;
        auto* pSink = new CConnectivitySink(this, [this] { Refresh(); });
        const HRESULT advised = m_pConnectionPoint->Advise(pSink, &m_dwCookie);
        pSink->Release(); // the connection point holds it from here
        if (SUCCEEDED(advised))
            return true;
        m_pConnectionPoint.Reset();
        return false;
    }

    ComPtr<INetworkListManager> m_pManager;
    ComPtr<IConnectionPoint> m_pConnectionPoint;
    DWORD m_dwCookie = 0;
    bool m_bUninitialise = false;
    NetworkReach m_Reach = NetworkReach::Unknown;
    QTimer m_Poll;
    std::function<void(NetworkReach)> m_OnChange;
};

} // namespace

std::unique_ptr<CNetworkSource> MakeSystemNetworkSource() {
    return std::make_unique<CNetworkListSource>();
}

} // namespace platform
