// The built-in sample mailbox, a copy of docs/sample-profile.json (a test keeps the two equal):
// an Exchange-style mailbox of Outlook 2003 with all default folders, user folders three levels
// below the Inbox of mixed classes, a folder without a class, folders of classes outside the
// page's list, a Reminders search over Calendar, Tasks, Inbox and Contacts, and an archive store.
#include "sim/profile/sample_profile.h"

#include "sim/profile/profile_json.h"

namespace bellnest::sim {

std::string_view SampleProfileJson() {
  static constexpr std::string_view kText = R"json({
  "outlookVersion": "11.0.0.8010",
  "profileName": "Outlook",
  "rdoRegistered": true,
  "addIn": {"listed": true, "connected": true, "ppClass": true, "online": true},
  "defaultStore": "Mailbox - Robin Ashdown",
  "stores": [
    {
      "name": "Mailbox - Robin Ashdown",
      "folders": [
        {"name": "Deleted Items", "class": "IPF.Note", "default": "DeletedItems"},
        {"name": "Inbox", "class": "IPF.Note", "default": "Inbox", "folders": [
          {"name": "Projects", "class": "IPF.Note", "folders": [
            {"name": "Alpha", "class": "IPF.Note", "folders": [
              {"name": "Wireframes", "class": "IPF.Note"},
              {"name": "Milestones", "class": "IPF.Task"},
              {"name": "Reviews", "class": "IPF.Appointment"}
            ]},
            {"name": "Beta", "class": "IPF.Note"}
          ]},
          {"name": "Receipts"},
          {"name": "Newsletters", "class": "IPF.Note"}
        ]},
        {"name": "Outbox", "class": "IPF.Note", "default": "Outbox"},
        {"name": "Sent Items", "class": "IPF.Note", "default": "SentItems"},
        {"name": "Calendar", "class": "IPF.Appointment", "default": "Calendar", "folders": [
          {"name": "Team Holidays", "class": "IPF.Appointment"}
        ]},
        {"name": "Contacts", "class": "IPF.Contact", "default": "Contacts", "folders": [
          {"name": "Quick Contacts", "class": "IPF.Contact.MOC.QuickContacts"},
          {"name": "Suppliers", "class": "IPF.Contact"}
        ]},
        {"name": "Journal", "class": "IPF.Journal", "default": "Journal", "folders": [
          {"name": "Phone Calls", "class": "IPF.Journal"}
        ]},
        {"name": "Notes", "class": "IPF.StickyNote", "default": "Notes"},
        {"name": "Tasks", "class": "IPF.Task", "default": "Tasks", "folders": [
          {"name": "Errands", "class": "IPF.Task"}
        ]},
        {"name": "Drafts", "class": "IPF.Note", "default": "Drafts"},
        {"name": "Junk E-mail", "class": "IPF.Note", "default": "Junk"},
        {"name": "Sync Issues", "class": "IPF.Note", "folders": [
          {"name": "Conflicts", "class": "IPF.Note"}
        ]},
        {"name": "Team Calendar", "class": "IPF.Appointment"},
        {"name": "Follow Up", "class": "IPF.Task"},
        {"name": "Settings", "class": "IPF.Configuration"}
      ],
      "reminders": {"containers": ["Calendar", "Tasks", "Inbox", "Contacts"], "running": true}
    },
    {
      "name": "Archive Folders",
      "folders": [
        {"name": "Deleted Items", "class": "IPF.Note"},
        {"name": "Old Calendar", "class": "IPF.Appointment"},
        {"name": "2003", "class": "IPF.Note"}
      ]
    }
  ]
}
)json";
  return kText;
}

ProfileModel SampleProfile() {
  // The text is ours and a test parses it, so a failure here cannot reach users; an empty
  // profile is still a safe answer.
  Result<ProfileModel> model = ParseProfile(SampleProfileJson(), "<built-in sample profile>");
  return model.Ok() ? std::move(model).Value() : ProfileModel();
}

}  // namespace bellnest::sim
