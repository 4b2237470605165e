#include "settings/secretservice.h"

#include <sys/stat.h>

#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include <libsecret/secret.h>

namespace tarnwick {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A call cancelled at its limit normally ends within a few main-loop turns; one that has not
// ended after this is left behind (its context is never run again).
constexpr auto kCancelGrace = 500ms;
constexpr guint kSliceMs = 50;

const SecretSchema* ProfileSchema()
{
    static const SecretSchema schema = {"io.github.kestrum.Tarnwick.Profile",
                                        SECRET_SCHEMA_NONE,
                                        {{"profile", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <class T> using GRef = std::unique_ptr<T, GObjectUnref>;

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct ItemListFree {
    void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};
using ItemList = std::unique_ptr<GList, ItemListFree>;

struct HashTableUnref {
    void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};

// D-Bus carries strings as UTF-8 without NUL; GLib refuses anything else with a critical
// warning, and a settings file may hold any bytes.
bool IsDbusText(const std::string& text)
{
    return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
}

bool IsKeyText(const PasswordKey& key)
{
    return IsDbusText(key.profile) && IsDbusText(key.server) && IsDbusText(key.user);
}

std::unique_ptr<GHashTable, HashTableUnref> Attributes(const PasswordKey& key)
{
    return std::unique_ptr<GHashTable, HashTableUnref>(
        secret_attributes_build(ProfileSchema(), "profile", key.profile.c_str(), "server",
                                key.server.c_str(), "user", key.user.c_str(), nullptr));
}

// One finished asynchronous step: its source object and result, kept until read.
struct Pending {
    GObject* source = nullptr;
    GAsyncResult* result = nullptr;

    Pending() = default;
    Pending(const Pending&) = delete;
    Pending& operator=(const Pending&) = delete;
    ~Pending()
    {
        if (result != nullptr) {
            g_object_unref(result);
        }
        if (source != nullptr) {
            g_object_unref(source);
        }
    }

    static void OnReady(GObject* source, GAsyncResult* result, gpointer data)
    {
        auto* pending = static_cast<Pending*>(data);
        pending->source = source != nullptr ? G_OBJECT(g_object_ref(source)) : nullptr;
        pending->result = G_ASYNC_RESULT(g_object_ref(result));
    }
};

gboolean KeepTicking(gpointer /*data*/)
{
    return G_SOURCE_CONTINUE;
}

} // namespace

std::string SessionBusAddress()
{
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        address != nullptr && *address != '\0') {
        return address;
    }
    // The per-user bus of systemd and dbus-broker sessions.
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && *runtime != '\0') {
        const std::string path = std::string(runtime) + "/bus";
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) {
            gchar* escaped = g_dbus_address_escape_value(path.c_str());
            std::string address = std::string("unix:path=") + escaped;
            g_free(escaped);
            return address;
        }
    }
    return std::string();
}

// The steps of one call, on the worker thread: a private main context pushed as the thread's
// default (so every asynchronous step reports there), a cancellable that the deadline trips,
// and the bus, service and default collection once reached.
class CSecretServiceStore::COperation {
public:
    explicit COperation(Clock::time_point deadline)
        : m_deadline(deadline), m_context(g_main_context_new()), m_cancel(g_cancellable_new())
    {
        g_main_context_push_thread_default(m_context);
        // Wakes the loop at least every slice, so the deadline is seen without an event.
        m_tick = g_timeout_source_new(kSliceMs);
        g_source_set_callback(m_tick, KeepTicking, nullptr, nullptr);
        g_source_attach(m_tick, m_context);
    }

    ~COperation()
    {
        m_collection.reset();
        m_service.reset();
        m_connection.reset();
        g_source_destroy(m_tick);
        g_source_unref(m_tick);
        g_main_context_pop_thread_default(m_context);
        g_object_unref(m_cancel);
        g_main_context_unref(m_context);
    }

    COperation(const COperation&) = delete;
    COperation& operator=(const COperation&) = delete;

    [[nodiscard]] GCancellable* Cancellable() const { return m_cancel; }
    [[nodiscard]] bool TimedOut() const { return m_bCancelled; }

    // Runs the context until `pending` has its result. At the deadline the step is cancelled
    // and given a short grace; false when it has not ended by then.
    bool Await(const Pending& pending)
    {
        Clock::time_point giveUp = Clock::time_point::max();
        while (pending.result == nullptr) {
            const auto now = Clock::now();
            if (!m_bCancelled && now >= m_deadline) {
                m_bCancelled = true;
                g_cancellable_cancel(m_cancel);
                giveUp = now + kCancelGrace;
            }
            if (now >= giveUp) {
                return false;
            }
            g_main_context_iteration(m_context, TRUE);
        }
        return true;
    }

    // A failed step as a result; a step cut by the deadline is TimedOut whatever it says.
    KeyringResult FromError(GError* error) const
    {
        if (m_bCancelled || g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
            return {KeyringStatus::TimedOut, {}};
        }
        if (g_error_matches(error, SECRET_ERROR, SECRET_ERROR_IS_LOCKED)) {
            return {KeyringStatus::Locked, {}};
        }
        if (gchar* remote = g_dbus_error_get_remote_error(error)) {
            const std::string name = remote;
            g_free(remote);
            // No owner of the name, and nothing on the bus that would start one.
            if (name == "org.freedesktop.DBus.Error.ServiceUnknown" ||
                name == "org.freedesktop.DBus.Error.NameHasNoOwner") {
                return {KeyringStatus::NoService, {}};
            }
            if (name == "org.freedesktop.Secret.Error.IsLocked") {
                return {KeyringStatus::Locked, {}};
            }
            g_dbus_error_strip_remote_error(error);
        }
        return {KeyringStatus::Failed, error->message != nullptr ? error->message : ""};
    }

    // The session bus and the Secret Service on it; `session` also opens the session that
    // carries secrets (lookups need it).
    KeyringResult Connect(bool session)
    {
        GError* raw = nullptr;
        {
            Pending pending;
            g_bus_get(G_BUS_TYPE_SESSION, m_cancel, Pending::OnReady, &pending);
            if (!Await(pending)) {
                return {KeyringStatus::TimedOut, {}};
            }
            m_connection.reset(g_bus_get_finish(pending.result, &raw));
        }
        if (!m_connection) {
            ErrorPtr error(raw);
            KeyringResult result = FromError(error.get());
            // A bus address that leads nowhere is no bus.
            if (result.status == KeyringStatus::Failed) {
                result.status = KeyringStatus::NoBus;
            }
            return result;
        }
        // The process-wide connection would otherwise end the program when the bus goes.
        g_dbus_connection_set_exit_on_close(m_connection.get(), FALSE);
        Pending pending;
        secret_service_open(SECRET_TYPE_SERVICE, nullptr,
                            session ? SECRET_SERVICE_OPEN_SESSION : SECRET_SERVICE_NONE, m_cancel,
                            Pending::OnReady, &pending);
        if (!Await(pending)) {
            return {KeyringStatus::TimedOut, {}};
        }
        m_service.reset(secret_service_open_finish(pending.result, &raw));
        if (!m_service) {
            ErrorPtr error(raw);
            return FromError(error.get());
        }
        if (!session) {
            // Without a session nothing has asked the service yet: its name may have no owner.
            if (gchar* owner = g_dbus_proxy_get_name_owner(G_DBUS_PROXY(m_service.get()))) {
                g_free(owner);
            } else {
                return {KeyringStatus::NoService, {}};
            }
        }
        return {};
    }

    // The default collection, unlocked, in m_collection.
    KeyringResult DefaultCollection()
    {
        Pending pending;
        secret_collection_for_alias(m_service.get(), SECRET_COLLECTION_DEFAULT,
                                    SECRET_COLLECTION_NONE, m_cancel, Pending::OnReady, &pending);
        if (!Await(pending)) {
            return {KeyringStatus::TimedOut, {}};
        }
        GError* raw = nullptr;
        m_collection.reset(secret_collection_for_alias_finish(pending.result, &raw));
        if (raw != nullptr) {
            ErrorPtr error(raw);
            return FromError(error.get());
        }
        if (!m_collection) {
            return {KeyringStatus::NoDefault, {}};
        }
        if (secret_collection_get_locked(m_collection.get())) {
            return {KeyringStatus::Locked, {}};
        }
        return {};
    }

    // Every item saved for `key`, in any collection, locked ones too (never unlocked).
    KeyringResult Search(const PasswordKey& key, bool loadSecrets, ItemList& items)
    {
        const auto attributes = Attributes(key);
        const auto flags = static_cast<SecretSearchFlags>(
            SECRET_SEARCH_ALL | (loadSecrets ? SECRET_SEARCH_LOAD_SECRETS : SECRET_SEARCH_NONE));
        Pending pending;
        secret_service_search(m_service.get(), ProfileSchema(), attributes.get(), flags, m_cancel,
                              Pending::OnReady, &pending);
        if (!Await(pending)) {
            return {KeyringStatus::TimedOut, {}};
        }
        GError* raw = nullptr;
        items.reset(secret_service_search_finish(m_service.get(), pending.result, &raw));
        if (raw != nullptr) {
            ErrorPtr error(raw);
            return FromError(error.get());
        }
        return {};
    }

    KeyringResult Create(const PasswordKey& key, const std::string& password)
    {
        const auto attributes = Attributes(key);
        // What a keyring manager shows for the item.
        const std::string label =
            "Tarnwick: " + key.profile + " (" + key.user + "@" + key.server + ")";
        SecretValue* value =
            secret_value_new(password.data(), static_cast<gssize>(password.size()), "text/plain");
        Pending pending;
        secret_item_create(m_collection.get(), ProfileSchema(), attributes.get(), label.c_str(),
                           value, SECRET_ITEM_CREATE_REPLACE, m_cancel, Pending::OnReady, &pending);
        secret_value_unref(value);
        if (!Await(pending)) {
            return {KeyringStatus::TimedOut, {}};
        }
        GError* raw = nullptr;
        GRef<SecretItem> item(secret_item_create_finish(pending.result, &raw));
        if (!item) {
            ErrorPtr error(raw);
            return FromError(error.get());
        }
        return {};
    }

    KeyringResult Delete(SecretItem* item)
    {
        Pending pending;
        secret_item_delete(item, m_cancel, Pending::OnReady, &pending);
        if (!Await(pending)) {
            return {KeyringStatus::TimedOut, {}};
        }
        GError* raw = nullptr;
        if (!secret_item_delete_finish(item, pending.result, &raw)) {
            ErrorPtr error(raw);
            return FromError(error.get());
        }
        return {};
    }

private:
    Clock::time_point m_deadline;
    GMainContext* m_context;
    GCancellable* m_cancel;
    GSource* m_tick = nullptr;
    bool m_bCancelled = false;
    GRef<GDBusConnection> m_connection;
    GRef<SecretService> m_service;
    GRef<SecretCollection> m_collection;
};

KeyringResult CSecretServiceStore::Run(const std::function<KeyringResult(COperation&)>& work)
{
    if (m_bTimedOut) {
        return {KeyringStatus::TimedOut, {}};
    }
    // GLib would launch a bus of its own when it finds none; there is no keyring on it.
    if (SessionBusAddress().empty()) {
        return {KeyringStatus::NoBus, {}};
    }
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    KeyringResult result;
    const auto deadline = Clock::now() + m_limit;
    std::thread worker([&] {
        KeyringResult outcome;
        {
            COperation operation(deadline);
            outcome = work(operation);
            if (operation.TimedOut()) {
                outcome = {KeyringStatus::TimedOut, {}};
            }
        }
        const std::lock_guard<std::mutex> lock(mutex);
        result = outcome;
        done = true;
        ended.notify_one();
    });
    // The worker keeps its own bound (deadline plus the cancel grace), so this ends too.
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (!ended.wait_for(lock, std::chrono::milliseconds(kSliceMs), [&] { return done; })) {
            if (m_pump) {
                lock.unlock();
                m_pump();
                lock.lock();
            }
        }
    }
    worker.join();
    if (result.status == KeyringStatus::TimedOut) {
        m_bTimedOut = true;
    }
    return result;
}

KeyringResult CSecretServiceStore::Lookup(const PasswordKey& key, std::string& password)
{
    if (!IsKeyText(key)) {
        return {KeyringStatus::NotFound, {}}; // nothing can have been saved under it
    }
    std::string found;
    const KeyringResult result = Run([&](COperation& operation) -> KeyringResult {
        KeyringResult step = operation.Connect(true);
        ItemList items;
        if (step.status != KeyringStatus::Ok ||
            (step = operation.Search(key, true, items)).status != KeyringStatus::Ok) {
            return step;
        }
        bool locked = false;
        for (GList* node = items.get(); node != nullptr; node = node->next) {
            auto* item = static_cast<SecretItem*>(node->data);
            if (secret_item_get_locked(item)) {
                locked = true;
                continue;
            }
            if (SecretValue* value = secret_item_get_secret(item)) {
                gsize length = 0;
                const gchar* bytes = secret_value_get(value, &length);
                found.assign(bytes, length);
                secret_value_unref(value);
                return {};
            }
        }
        return {locked ? KeyringStatus::Locked : KeyringStatus::NotFound, {}};
    });
    if (result.status == KeyringStatus::Ok) {
        password = found;
    }
    return result;
}

KeyringResult CSecretServiceStore::Store(const PasswordKey& key, const std::string& password)
{
    if (!IsKeyText(key)) {
        return {KeyringStatus::Failed, "the profile's name, server or user is not UTF-8 text"};
    }
    return Run([&](COperation& operation) -> KeyringResult {
        KeyringResult step = operation.Connect(true);
        if (step.status != KeyringStatus::Ok ||
            (step = operation.DefaultCollection()).status != KeyringStatus::Ok) {
            return step;
        }
        return operation.Create(key, password);
    });
}

KeyringResult CSecretServiceStore::Remove(const PasswordKey& key)
{
    if (!IsKeyText(key)) {
        return {};
    }
    return Run([&](COperation& operation) -> KeyringResult {
        KeyringResult step = operation.Connect(false);
        ItemList items;
        if (step.status != KeyringStatus::Ok ||
            (step = operation.Search(key, false, items)).status != KeyringStatus::Ok) {
            return step;
        }
        for (GList* node = items.get(); node != nullptr; node = node->next) {
            auto* item = static_cast<SecretItem*>(node->data);
            // Deleting from a locked collection could ask for its password.
            if (secret_item_get_locked(item)) {
                return {KeyringStatus::Locked, {}};
            }
            if ((step = operation.Delete(item)).status != KeyringStatus::Ok) {
                return step;
            }
        }
        return {};
    });
}

KeyringResult CSecretServiceStore::Probe()
{
    return Run([](COperation& operation) -> KeyringResult {
        const KeyringResult step = operation.Connect(false);
        return step.status != KeyringStatus::Ok ? step : operation.DefaultCollection();
    });
}

} // namespace tarnwick
