#include "sources/messages/MessageStyleNames.h"

#include <map>

namespace varnholt {

std::string effectName(const std::string& styleId)
{
    static const std::map<std::string, std::string> kNames{
        {"com.apple.MobileSMS.expressivesend.gentle", "Gentle"},
        {"com.apple.MobileSMS.expressivesend.impact", "Slam"},
        {"com.apple.MobileSMS.expressivesend.invisibleink", "Invisible Ink"},
        {"com.apple.MobileSMS.expressivesend.loud", "Loud"},
        {"com.apple.messages.effect.CKConfettiEffect", "Confetti"},
        {"com.apple.messages.effect.CKEchoEffect", "Echo"},
        {"com.apple.messages.effect.CKFireworksEffect", "Fireworks"},
        {"com.apple.messages.effect.CKHappyBirthdayEffect", "Balloons"},
        {"com.apple.messages.effect.CKHeartEffect", "Love"},
        {"com.apple.messages.effect.CKLasersEffect", "Lasers"},
        {"com.apple.messages.effect.CKShootingStarEffect", "Shooting Star"},
        {"com.apple.messages.effect.CKSparklesEffect", "Celebration"},
        {"com.apple.messages.effect.CKSpotlightEffect", "Spotlight"},
    };
    const auto it = kNames.find(styleId);
    return it == kNames.end() ? styleId : it->second;
}

std::string appName(const std::string& bundleId)
{
    static const std::map<std::string, std::string> kNames{
        {"com.apple.messages.URLBalloonProvider", "Link preview"},
        {"com.apple.Handwriting.HandwritingProvider", "Handwriting"},
        {"com.apple.DigitalTouchBalloonProvider", "Digital Touch"},
        {"com.apple.PassbookUIService.PeerPaymentMessagesExtension", "Apple Pay"},
        {"com.apple.ActivityMessagesApp.MessagesExtension", "Fitness"},
        {"com.apple.SafetyMonitorApp.SafetyMonitorMessages", "Check In"},
        {"com.apple.findmy.FindMyMessagesApp", "Find My"},
    };
    // Apps, Apple's own among them, also come as "...MSMessageExtensionBalloonPlugin:<team>:<bundle>".
    std::string bundle = bundleId;
    if (bundleId.find("MSMessageExtensionBalloonPlugin:") != std::string::npos) {
        const std::size_t colon = bundleId.rfind(':');
        if (colon + 1 < bundleId.size())
            bundle = bundleId.substr(colon + 1);
    }
    for (const auto& [prefix, name] : kNames)
        if (bundle.rfind(prefix, 0) == 0)
            return name;
    return bundle;
}

} // namespace varnholt
