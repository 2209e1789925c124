#include "render/messages/ConversationWriters.h"

#include <array>
#include <charconv>

namespace varnholt {

void ConversationWriters::begin(const Conversation& conversation, const std::string& displayName,
                                long long messageCount)
{
    m_json.begin(conversation, displayName, messageCount);
    m_html.begin(conversation, displayName, messageCount);
    m_text.begin(conversation, displayName, messageCount);
}

void ConversationWriters::add(const Message& message)
{
    m_json.add(message);
    m_html.add(message);
    m_text.add(message);
}

void ConversationWriters::end()
{
    m_json.end();
    m_html.end();
    m_text.end();
}

std::string_view senderName(const Message& message, const std::string& identifier, const std::string& displayName)
{
    if (message.isFromMe)
        return "Me";
    if (message.senderName)
        return *message.senderName;
    const std::string_view name = message.sender ? std::string_view(*message.sender) : std::string_view("Other");
    return name == identifier ? std::string_view(displayName) : name;
}

std::string_view reactorName(const Reaction& reaction)
{
    if (reaction.isFromMe)
        return "Me";
    if (reaction.byName)
        return *reaction.byName;
    return reaction.by ? std::string_view(*reaction.by) : std::string_view("Other");
}

std::string reactionsLine(const std::vector<Reaction>& reactions)
{
    std::string line;
    for (const Reaction& reaction : reactions) {
        if (!line.empty())
            line += ", ";
        line += reactionSymbol(reaction.kind, reaction.emoji);
        line += ' ';
        line += reactorName(reaction);
    }
    return line;
}

std::string eventLine(const GroupEvent& event, std::string_view actor)
{
    std::string line(actor);
    const std::string who = event.whoName ? *event.whoName : event.who.value_or("someone");
    switch (event.kind) {
    case GroupEventKind::renamed:
        return line + " named the conversation \u201C" + event.name.value_or("") + "\u201D";
    case GroupEventKind::added:
        return line + " added " + who + " to the conversation";
    case GroupEventKind::removed:
        return line + " removed " + who + " from the conversation";
    case GroupEventKind::left:
        return line + " left the conversation";
    case GroupEventKind::photoChanged:
        return line + " changed the group photo";
    case GroupEventKind::photoRemoved:
        return line + " removed the group photo";
    }
    return line;
}

std::string unsentLine(const Message& message, std::string_view name)
{
    return (message.isFromMe ? std::string("You") : std::string(name)) + " unsent a message";
}

std::string dayHeading(std::string_view date)
{
    static constexpr std::array<const char*, 12> kMonths{"January",   "February", "March",    "April",
                                                         "May",       "June",     "July",     "August",
                                                         "September", "October",  "November", "December"};
    static constexpr std::array<const char*, 7> kWeekdays{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                          "Thursday", "Friday", "Saturday"};
    const std::string_view day = date.substr(0, 10);
    int year = 0;
    unsigned month = 0;
    unsigned dayOfMonth = 0;
    if (day.size() != 10 || day[4] != '-' || day[7] != '-' ||
        std::from_chars(day.data(), day.data() + 4, year).ec != std::errc() ||
        std::from_chars(day.data() + 5, day.data() + 7, month).ec != std::errc() ||
        std::from_chars(day.data() + 8, day.data() + 10, dayOfMonth).ec != std::errc() || month < 1 || month > 12 ||
        dayOfMonth < 1 || dayOfMonth > 31)
        return std::string(day);
    // Days since 1970-01-01 (Howard Hinnant's civil calendar), then the weekday (1970-01-01 was a Thursday).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + dayOfMonth - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days = static_cast<long long>(era) * 146097 + static_cast<long long>(doe) - 719468;
    const long long weekday = ((days % 7) + 11) % 7; // 0 = Sunday
    return std::string(kWeekdays[static_cast<std::size_t>(weekday)]) + ", " + std::to_string(dayOfMonth) + " " +
           kMonths[month - 1] + " " + std::to_string(year);
}

std::string lastPathComponent(const std::string& path)
{
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const std::string trimmed = path.substr(0, end);
    const size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos || trimmed == "/")
        return trimmed;
    return trimmed.substr(slash + 1);
}

} // namespace varnholt
