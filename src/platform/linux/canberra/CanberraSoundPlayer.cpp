#include "platform/linux/canberra/CanberraSoundPlayer.h"

#include <QByteArray>
#include <QFileInfo>

#include <canberra.h>

namespace stirwell {

void CanberraSoundPlayer::ContextDeleter::operator()(ca_context *context) const
{
    ca_context_destroy(context);
}

CanberraSoundPlayer::CanberraSoundPlayer(const QString &applicationId, const QString &applicationName)
{
    ca_context *context = nullptr;
    if (ca_context_create(&context) != CA_SUCCESS)
        return;
    m_context.reset(context);
    const QByteArray id = applicationId.toUtf8();
    const QByteArray name = applicationName.toUtf8();
    ca_context_change_props(context, CA_PROP_APPLICATION_NAME, name.constData(), CA_PROP_APPLICATION_ID,
                            id.constData(), nullptr);
}

CanberraSoundPlayer::~CanberraSoundPlayer() = default;

bool CanberraSoundPlayer::playFile(const QString &path)
{
    std::lock_guard lock(m_mutex);
    if (!m_context || !QFileInfo(path).isFile())
        return false;
    const QByteArray file = QFileInfo(path).absoluteFilePath().toUtf8();
    // Cached by the sound server after the first play: later cues start at once.
    return ca_context_play(m_context.get(), 0, CA_PROP_MEDIA_FILENAME, file.constData(), CA_PROP_MEDIA_ROLE, "event",
                           CA_PROP_EVENT_ID, file.constData(), CA_PROP_CANBERRA_CACHE_CONTROL, "volatile", nullptr)
           == CA_SUCCESS;
}

bool CanberraSoundPlayer::playThemeSound(const QString &eventId)
{
    std::lock_guard lock(m_mutex);
    if (!m_context)
        return false;
    const QByteArray id = eventId.toUtf8();
    return ca_context_play(m_context.get(), 0, CA_PROP_EVENT_ID, id.constData(), CA_PROP_MEDIA_ROLE, "event",
                           CA_PROP_CANBERRA_CACHE_CONTROL, "volatile", nullptr)
           == CA_SUCCESS;
}

} // namespace stirwell
