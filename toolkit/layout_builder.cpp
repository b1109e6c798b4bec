#include "toolkit/layout_builder.h"

#include <pugixml.hpp>

#include <memory>

#include "sys/log.h"
#include "sys/text.h"
#include "toolkit/attributes.h"
#include "toolkit/container.h"
#include "toolkit/control_factory.h"
#include "toolkit/notify.h"
#include "toolkit/window_ui.h"

namespace toolkit {
namespace {

std::wstring Wide(const char* utf8) {
    return Utils::FromUtf8(utf8 != nullptr ? utf8 : "");
}

void AddFont(const pugi::xml_node& node, WindowUi& window) {
    FontInfo font;
    int id = -1;
    bool isDefault = false;
    for (const pugi::xml_attribute& attribute : node.attributes()) {
        const std::string_view name = attribute.name();
        const std::wstring value = Wide(attribute.value());
        if (name == "id") {
            ParseInt(value, &id);
        } else if (name == "name") {
            font.face = value;
        } else if (name == "size") {
            ParseInt(value, &font.size);
        } else if (name == "bold") {
            font.bold = ParseBool(value);
        } else if (name == "underline") {
            font.underline = ParseBool(value);
        } else if (name == "italic") {
            font.italic = ParseBool(value);
        } else if (name == "default") {
            isDefault = ParseBool(value);
        }
    }
    window.AddFont(id, std::move(font), isDefault);
}

CControlUI* BuildControl(const pugi::xml_node& node, ILayoutBuilderCallback* callback) {
    const std::wstring className = Wide(node.name());
    CControlUI* control = callback != nullptr ? callback->CreateControl(className) : nullptr;
    if (control == nullptr) control = CreateBuiltinControl(className);
    if (control == nullptr) {
        LOG_TRACE(L"BuildLayout", L"unknown control class %ls skipped", className.c_str());
        return nullptr;
    }
    std::unique_ptr<CControlUI> owned(control);
    for (const pugi::xml_attribute& attribute : node.attributes()) {
        control->SetAttribute(Wide(attribute.name()), Wide(attribute.value()));
    }
    auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"));
    for (const pugi::xml_node& child : node.children()) {
        if (child.type() != pugi::node_element) continue;
        CControlUI* built = BuildControl(child, callback);
        if (built == nullptr) continue;
        if (container != nullptr) {
            container->Add(built);
        } else {
            // Only containers hold children; anything nested in a plain control is dropped.
            delete built;
        }
    }
    return owned.release();
}

}  // namespace

CControlUI* BuildLayout(std::string_view markup, WindowUi& window, ILayoutBuilderCallback* callback,
                        std::wstring* error) {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(
        markup.data(), markup.size(), pugi::parse_default, pugi::encoding_utf8);
    auto fail = [&](const std::wstring& why) -> CControlUI* {
        if (error != nullptr) *error = why;
        LOG_TRACE(L"BuildLayout", L"%ls", why.c_str());
        return nullptr;
    };
    if (!parsed) return fail(L"malformed markup: " + Wide(parsed.description()));
    const pugi::xml_node root = document.document_element();
    if (std::string_view(root.name()) != "Window") return fail(L"the root element is not Window");

    for (const pugi::xml_attribute& attribute : root.attributes()) {
        window.SetWindowAttribute(Wide(attribute.name()), Wide(attribute.value()));
    }
    CControlUI* control = nullptr;
    for (const pugi::xml_node& child : root.children()) {
        if (child.type() != pugi::node_element) continue;
        const std::string_view name = child.name();
        if (name == "Font") {
            AddFont(child, window);
        } else if (control == nullptr) {
            control = BuildControl(child, callback);
        } else {
            LOG_TRACE(L"BuildLayout", L"a second root control %ls ignored",
                      Wide(child.name()).c_str());
        }
    }
    if (control == nullptr) return fail(L"the layout has no control");
    return control;
}

}  // namespace toolkit
