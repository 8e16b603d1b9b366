<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutView</name>
    <message>
        <source>About Quorvane</source>
        <translation>Über Quorvane</translation>
    </message>
    <message>
        <source>Quorvane symbol</source>
        <translation>Quorvane-Symbol</translation>
    </message>
    <message>
        <source>Batch file renamer for creators</source>
        <translation>Stapel-Umbenenner für Kreative</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Aktualisierungen</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Aktualisierungen suchen…</translation>
    </message>
    <message>
        <source>Checking for updates</source>
        <translation>Suche nach Aktualisierungen</translation>
    </message>
    <message>
        <source>Download from Website</source>
        <translation>Von der Website laden</translation>
    </message>
    <message>
        <source>You&apos;re up to date.</source>
        <translation>Quorvane ist auf dem neuesten Stand.</translation>
    </message>
    <message>
        <source>Renames never replace a file that is already there.</source>
        <translation>Beim Umbenennen wird nie eine vorhandene Datei ersetzt.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Quorvane </source>
        <translation>Quorvane </translation>
    </message>
    <message>
        <source> is available.</source>
        <translation> ist verfügbar.</translation>
    </message>
</context>
<context>
    <name>CharacterRuleBlock</name>
    <message>
        <source>Text to insert</source>
        <translation>Einzufügender Text</translation>
    </message>
    <message>
        <source>Count from the end</source>
        <translation>Vom Ende zählen</translation>
    </message>
    <message>
        <source>Position (characters)</source>
        <translation>Position (Zeichen)</translation>
    </message>
    <message>
        <source>Characters to remove</source>
        <translation>Zu entfernende Zeichen</translation>
    </message>
</context>
<context>
    <name>ContentView</name>
    <message>
        <source>Finish Renaming</source>
        <translation>Umbenennen abschließen</translation>
    </message>
    <message>
        <source>Undo the Renamed Files</source>
        <translation>Umbenannte Dateien zurücksetzen</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Später</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Conflicts Detected</source>
        <translation>Konflikte gefunden</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Proceed Anyway</source>
        <translation>Trotzdem fortfahren</translation>
    </message>
</context>
<context>
    <name>DetailView</name>
    <message>
        <source>Show in File Manager</source>
        <translation>In der Dateiverwaltung zeigen</translation>
    </message>
    <message>
        <source>Show selected folder in File Manager</source>
        <translation>Gewählten Ordner in der Dateiverwaltung zeigen</translation>
    </message>
    <message>
        <source>No folder selected</source>
        <translation>Kein Ordner gewählt</translation>
    </message>
    <message>
        <source>Click the Select Folder button in the sidebar
to browse and manage your files.</source>
        <translation>Klicken Sie in der Seitenleiste auf „Ordner wählen“,
um Ihre Dateien zu durchsuchen und zu verwalten.</translation>
    </message>
    <message>
        <source>Select Folder</source>
        <translation>Ordner wählen</translation>
    </message>
    <message>
        <source>No files match the filter</source>
        <translation>Keine Datei passt zum Filter</translation>
    </message>
    <message>
        <source>Clear Filter</source>
        <translation>Filter leeren</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Rename progress</source>
        <translation>Fortschritt des Umbenennens</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Refresh file list (Ctrl+R)</source>
        <translation>Dateiliste aktualisieren (Strg+R)</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Undo last rename operation (Ctrl+Z)</source>
        <translation>Letztes Umbenennen rückgängig machen (Strg+Z)</translation>
    </message>
    <message>
        <source>Preview Changes</source>
        <translation>Änderungen zeigen</translation>
    </message>
    <message>
        <source>Files (%1)</source>
        <translation>Dateien (%1)</translation>
    </message>
    <message>
        <source>Renamed. Change a setting or refresh the file list to rename again.</source>
        <translation>Umbenannt. Ändern Sie eine Einstellung oder aktualisieren Sie die Dateiliste, um erneut umzubenennen.</translation>
    </message>
    <message>
        <source>Apply Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Reveal in File Manager</source>
        <translation>In der Dateiverwaltung zeigen</translation>
    </message>
    <message>
        <source>· 1 read-only file not shown</source>
        <translation>· 1 schreibgeschützte Datei nicht gezeigt</translation>
    </message>
    <message>
        <source>· %1 read-only files not shown</source>
        <translation>· %1 schreibgeschützte Dateien nicht gezeigt</translation>
    </message>
    <message>
        <source>Files that cannot be renamed (read-only or locked) are not listed:</source>
        <translation>Dateien, die nicht umbenannt werden können (schreibgeschützt oder gesperrt), werden nicht gezeigt:</translation>
    </message>
    <message>
        <source>…and %1 more</source>
        <translation>…und %1 weitere</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Natural</source>
        <translation>Natürlich</translation>
    </message>
    <message>
        <source>Date Modified</source>
        <translation>Änderungsdatum</translation>
    </message>
    <message>
        <source>Date Created</source>
        <translation>Erstellungsdatum</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Descending</source>
        <translation>Absteigend</translation>
    </message>
</context>
<context>
    <name>FileTableModel</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Modified</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>1 byte</source>
        <translation>1 Byte</translation>
    </message>
    <message>
        <source> bytes</source>
        <translation> Byte</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Another file has or gets this name, so a number in parentheses was added.</source>
        <translation>Eine andere Datei hat oder bekommt diesen Namen, daher wurde eine Zahl in Klammern angefügt.</translation>
    </message>
    <message>
        <source> (unchanged)</source>
        <translation> (unverändert)</translation>
    </message>
    <message>
        <source>New Name</source>
        <translation>Neuer Name</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Select Folder...</source>
        <translation>Ordner wählen...</translation>
    </message>
    <message>
        <source>Refresh File List</source>
        <translation>Dateiliste aktualisieren</translation>
    </message>
    <message>
        <source>Preview Rename</source>
        <translation>Vorschau zeigen</translation>
    </message>
    <message>
        <source>Apply Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Undo Last Rename</source>
        <translation>Letztes Umbenennen rückgängig machen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>About Quorvane</source>
        <translation>Über Quorvane</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Aktualisierungen suchen…</translation>
    </message>
</context>
<context>
    <name>QuorvaneViewModel</name>
    <message>
        <source>
…and </source>
        <translation>
…und </translation>
    </message>
    <message>
        <source> more</source>
        <translation> weitere</translation>
    </message>
    <message>
        <source> file</source>
        <translation> Datei</translation>
    </message>
    <message>
        <source> files</source>
        <translation> Dateien</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Quorvane could not save its settings: %1</source>
        <translation>Quorvane konnte seine Einstellungen nicht speichern: %1</translation>
    </message>
    <message>
        <source>Loaded %1 items</source>
        <translation>%1 Objekte geladen</translation>
    </message>
    <message>
        <source>%1 items after filtering</source>
        <translation>%1 Objekte nach dem Filtern</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Please select a folder first.</source>
        <translation>Bitte wählen Sie zuerst einen Ordner.</translation>
    </message>
    <message>
        <source>No changes to apply</source>
        <translation>Keine Änderungen auszuführen</translation>
    </message>
    <message>
        <source>Renaming...</source>
        <translation>Umbenennen...</translation>
    </message>
    <message>
        <source>Renamed %1 items</source>
        <translation>%1 Objekte umbenannt</translation>
    </message>
    <message>
        <source>Renamed %1, %2 failed</source>
        <translation>%1 umbenannt, %2 fehlgeschlagen</translation>
    </message>
    <message>
        <source>No folder selected.</source>
        <translation>Kein Ordner gewählt.</translation>
    </message>
    <message>
        <source>Undoing last rename...</source>
        <translation>Letztes Umbenennen wird rückgängig gemacht...</translation>
    </message>
    <message>
        <source>Reverted %1 items</source>
        <translation>%1 Objekte zurückgesetzt</translation>
    </message>
    <message>
        <source>Reverted %1, %2 could not be restored</source>
        <translation>%1 zurückgesetzt, %2 konnten nicht wiederhergestellt werden</translation>
    </message>
    <message>
        <source>Recovering...</source>
        <translation>Wiederherstellen...</translation>
    </message>
    <message>
        <source>Recovered %1 items</source>
        <translation>%1 Objekte wiederhergestellt</translation>
    </message>
    <message>
        <source> files could not be recovered:</source>
        <translation> Dateien konnten nicht wiederhergestellt werden:</translation>
    </message>
    <message>
        <source>a file with the new name already exists</source>
        <translation>eine Datei mit dem neuen Namen gibt es schon</translation>
    </message>
    <message>
        <source>file name too long</source>
        <translation>Dateiname zu lang</translation>
    </message>
    <message>
        <source>read-only file system</source>
        <translation>schreibgeschütztes Dateisystem</translation>
    </message>
    <message>
        <source>no space left on device</source>
        <translation>kein Platz mehr auf dem Datenträger</translation>
    </message>
    <message>
        <source>the file is no longer there</source>
        <translation>die Datei ist nicht mehr da</translation>
    </message>
    <message>
        <source>permission denied or in use</source>
        <translation>keine Berechtigung oder in Benutzung</translation>
    </message>
    <message>
        <source> (permission denied or the file may be in use)</source>
        <translation> (keine Berechtigung, oder die Datei wird gerade benutzt)</translation>
    </message>
    <message>
        <source> could not be renamed</source>
        <translation> konnten nicht umbenannt werden</translation>
    </message>
    <message>
        <source>Listing files…</source>
        <translation>Dateien werden aufgelistet…</translation>
    </message>
    <message>
        <source>Planning…</source>
        <translation>Umbenennung wird geplant…</translation>
    </message>
    <message>
        <source>Listing files… %1</source>
        <translation>Dateien werden aufgelistet… %1</translation>
    </message>
    <message>
        <source>Sorting %1 files…</source>
        <translation>%1 Dateien werden sortiert…</translation>
    </message>
    <message>
        <source>Filtering %1 files…</source>
        <translation>%1 Dateien werden gefiltert…</translation>
    </message>
    <message>
        <source>Planning %1 of %2…</source>
        <translation>Umbenennung wird geplant: %1 von %2…</translation>
    </message>
</context>
<context>
    <name>RenamePreviewModel</name>
    <message>
        <source>This file holds no capture date, so its creation date is used.</source>
        <translation>Diese Datei enthält kein Aufnahmedatum, daher wird ihr Erstellungsdatum verwendet.</translation>
    </message>
    <message>
        <source> (unchanged)</source>
        <translation> (unverändert)</translation>
    </message>
</context>
<context>
    <name>RenamePreviewView</name>
    <message>
        <source>No preview</source>
        <translation>Keine Vorschau</translation>
    </message>
    <message>
        <source>Rename preview</source>
        <translation>Vorschau der neuen Namen</translation>
    </message>
</context>
<context>
    <name>RuleListView</name>
    <message>
        <source>Rename rules</source>
        <translation>Regeln zum Umbenennen</translation>
    </message>
    <message>
        <source>Applied in order; Alt+Up and Alt+Down move the selected rule</source>
        <translation>Der Reihe nach angewandt; Alt+Auf und Alt+Ab verschieben die gewählte Regel</translation>
    </message>
    <message>
        <source>Add Rule</source>
        <translation>Regel hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove Rule</source>
        <translation>Regel entfernen</translation>
    </message>
    <message>
        <source>Move Rule Up</source>
        <translation>Regel nach oben</translation>
    </message>
    <message>
        <source>Move Rule Down</source>
        <translation>Regel nach unten</translation>
    </message>
    <message>
        <source> from the end</source>
        <translation> vom Ende</translation>
    </message>
    <message>
        <source>Replace pattern </source>
        <translation>Muster ersetzen: </translation>
    </message>
    <message>
        <source>Replace </source>
        <translation>Ersetzen: </translation>
    </message>
    <message>
        <source> with </source>
        <translation> durch </translation>
    </message>
    <message>
        <source> from </source>
        <translation> ab </translation>
    </message>
    <message>
        <source>Insert </source>
        <translation>Einfügen: </translation>
    </message>
    <message>
        <source> at </source>
        <translation> bei </translation>
    </message>
    <message>
        <source>Remove </source>
        <translation>Entfernen: </translation>
    </message>
    <message>
        <source> characters at </source>
        <translation> Zeichen bei </translation>
    </message>
    <message>
        <source> (off)</source>
        <translation> (aus)</translation>
    </message>
</context>
<context>
    <name>SavePresetSheet</name>
    <message>
        <source>My Preset</source>
        <translation>Meine Vorlage</translation>
    </message>
    <message>
        <source>Save Preset</source>
        <translation>Vorlage sichern</translation>
    </message>
    <message>
        <source>Save the current strategy, filters, and recursion settings for reuse.</source>
        <translation>Die aktuelle Strategie, die Filter und die Unterordner-Einstellung zur späteren Verwendung sichern.</translation>
    </message>
    <message>
        <source>Preset name</source>
        <translation>Name der Vorlage</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>SequenceBlock</name>
    <message>
        <source>Padding</source>
        <translation>Stellen</translation>
    </message>
    <message>
        <source>Start: </source>
        <translation>Beginn: </translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Beginn</translation>
    </message>
    <message>
        <source>Separator</source>
        <translation>Trennzeichen</translation>
    </message>
    <message>
        <source>Restart at each folder</source>
        <translation>In jedem Ordner neu beginnen</translation>
    </message>
    <message>
        <source>Step: </source>
        <translation>Schritt: </translation>
    </message>
    <message>
        <source>Step</source>
        <translation>Schritt</translation>
    </message>
    <message>
        <source>With subfolders included, each folder&apos;s files are numbered from the start</source>
        <translation>Mit Unterordnern werden die Dateien jedes Ordners vom Beginn an nummeriert</translation>
    </message>
</context>
<context>
    <name>SidebarView</name>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>Show selected folder in File Manager</source>
        <translation>Gewählten Ordner in der Dateiverwaltung zeigen</translation>
    </message>
    <message>
        <source>Include Subfolders</source>
        <translation>Unterordner einbeziehen</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>File name contains…</source>
        <translation>Dateiname enthält…</translation>
    </message>
    <message>
        <source>Extensions (png, jpg…)</source>
        <translation>Endungen (png, jpg…)</translation>
    </message>
    <message>
        <source>Case sensitive</source>
        <translation>Groß-/Kleinschreibung beachten</translation>
    </message>
    <message>
        <source>Clear Filter</source>
        <translation>Filter leeren</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Prefix text</source>
        <translation>Präfix</translation>
    </message>
    <message>
        <source>Suffix text</source>
        <translation>Suffix</translation>
    </message>
    <message>
        <source>Preserve file extension</source>
        <translation>Dateiendung beibehalten</translation>
    </message>
    <message>
        <source>Strategy</source>
        <translation>Strategie</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Replace with</source>
        <translation>Ersetzen durch</translation>
    </message>
    <message>
        <source>Regular expression</source>
        <translation>Regulärer Ausdruck</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>Vorlagen</translation>
    </message>
    <message>
        <source>Save Preset…</source>
        <translation>Vorlage sichern…</translation>
    </message>
    <message>
        <source>Add sequence number</source>
        <translation>Laufende Nummer anfügen</translation>
    </message>
    <message>
        <source>Files without photo metadata use the file&apos;s creation date.</source>
        <translation>Dateien ohne Foto-Metadaten verwenden ihr Erstellungsdatum.</translation>
    </message>
    <message>
        <source>Date source</source>
        <translation>Datumsquelle</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Date position</source>
        <translation>Position des Datums</translation>
    </message>
    <message>
        <source>Folder: </source>
        <translation>Ordner: </translation>
    </message>
    <message>
        <source>Select Folder…</source>
        <translation>Ordner wählen…</translation>
    </message>
    <message>
        <source>Strategy: </source>
        <translation>Strategie: </translation>
    </message>
    <message>
        <source>No Saved Presets</source>
        <translation>Keine gesicherten Vorlagen</translation>
    </message>
    <message>
        <source>Delete Preset</source>
        <translation>Vorlage löschen</translation>
    </message>
</context>
<context>
    <name>UpdateAlert</name>
    <message>
        <source>Download</source>
        <translation>Laden</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>Diese Version überspringen</translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation>Später erinnern</translation>
    </message>
    <message>
        <source>Quorvane </source>
        <translation>Quorvane </translation>
    </message>
    <message>
        <source> is available</source>
        <translation> ist verfügbar</translation>
    </message>
    <message>
        <source>You are running version </source>
        <translation>Sie verwenden Version </translation>
    </message>
    <message>
        <source>

What&apos;s New:
</source>
        <translation>

Neuigkeiten:
</translation>
    </message>
</context>
<context>
    <name>UpdateChecker</name>
    <message>
        <source>The request timed out.</source>
        <translation>Die Anfrage hat zu lange gedauert.</translation>
    </message>
    <message>
        <source>Unable to check for updates: </source>
        <translation>Suche nach Aktualisierungen nicht möglich: </translation>
    </message>
    <message>
        <source>Update information is unavailable.</source>
        <translation>Keine Informationen zu Aktualisierungen verfügbar.</translation>
    </message>
</context>
<context>
    <name>quorvane-cli</name>
    <message>
        <source>Rename settings</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Output and action</source>
        <translation>Ausgabe und Aktion</translation>
    </message>
    <message>
        <source>take the settings, the subfolder switch, the included extensions and the
numbering order from the first saved preset called NAME (options given
here still win)</source>
        <translation>die Einstellungen, die Unterordner-Einstellung, die Endungen und die
Nummerierungsreihenfolge aus der ersten gesicherten Vorlage namens NAME
nehmen (hier gegebene Optionen haben Vorrang)</translation>
    </message>
    <message>
        <source>save the settings of this command line as a preset called NAME</source>
        <translation>die Einstellungen dieser Befehlszeile als Vorlage namens NAME sichern</translation>
    </message>
    <message>
        <source>include the files of all subfolders</source>
        <translation>die Dateien aller Unterordner einbeziehen</translation>
    </message>
    <message>
        <source>only these extensions, comma-separated (&quot;jpg, png&quot;)</source>
        <translation>nur diese Endungen, durch Kommas getrennt (&quot;jpg, png&quot;)</translation>
    </message>
    <message>
        <source>leave out these extensions, comma-separated</source>
        <translation>diese Endungen auslassen, durch Kommas getrennt</translation>
    </message>
    <message>
        <source>only names (with extension) that contain TEXT</source>
        <translation>nur Namen (mit Endung), die TEXT enthalten</translation>
    </message>
    <message>
        <source>--name-contains respects letter case</source>
        <translation>--name-contains beachtet Groß- und Kleinschreibung</translation>
    </message>
    <message>
        <source>only files of at least N bytes</source>
        <translation>nur Dateien mit mindestens N Byte</translation>
    </message>
    <message>
        <source>only files of at most N bytes</source>
        <translation>nur Dateien mit höchstens N Byte</translation>
    </message>
    <message>
        <source>print a JSON array of {&quot;originalPath&quot;, &quot;newPath&quot;, &quot;originalName&quot;,
&quot;newName&quot;} objects, in plan order, instead of lines; date names from
capture dates add &quot;dateSource&quot;: &quot;capture&quot;, or &quot;created&quot; for a file
without a capture date</source>
        <translation>statt Zeilen ein JSON-Array von {&quot;originalPath&quot;, &quot;newPath&quot;, &quot;originalName&quot;,
&quot;newName&quot;}-Objekten in der Reihenfolge des Plans ausgeben; Namen aus
Aufnahmedaten fügen &quot;dateSource&quot;: &quot;capture&quot; hinzu, oder &quot;created&quot; für eine
Datei ohne Aufnahmedatum</translation>
    </message>
    <message>
        <source>perform the renames of the changed names, then print &quot;Renamed N items&quot;
or &quot;Renamed N, M failed&quot; and one line per failure</source>
        <translation>die geänderten Namen umbenennen, dann &quot;N Objekte umbenannt&quot; oder
&quot;N umbenannt, M fehlgeschlagen&quot; und eine Zeile je Fehler ausgeben</translation>
    </message>
    <message>
        <source>take back the newest rename batch of FOLDER (also after a restart);
files changed since are left alone and listed with the reason</source>
        <translation>den neuesten Umbenennungsstapel von FOLDER zurücknehmen (auch nach einem
Neustart); seither geänderte Dateien bleiben unberührt und werden mit Grund genannt</translation>
    </message>
    <message>
        <source>complete or take back an interrupted rename batch of FOLDER</source>
        <translation>einen unterbrochenen Umbenennungsstapel von FOLDER abschließen oder zurücknehmen</translation>
    </message>
    <message>
        <source>list the rename batches the journal knows (of FOLDER, if given)</source>
        <translation>die Umbenennungsstapel des Journals auflisten (von FOLDER, falls angegeben)</translation>
    </message>
    <message>
        <source>print the names of the saved presets, one a line</source>
        <translation>die Namen der gesicherten Vorlagen ausgeben, einen je Zeile</translation>
    </message>
    <message>
        <source>show this text</source>
        <translation>diesen Text zeigen</translation>
    </message>
    <message>
        <source>print the manual page in roff</source>
        <translation>die Handbuchseite in roff ausgeben</translation>
    </message>
    <message>
        <source>Lists FOLDER, sorts the files by name, filters them, plans the renames and prints the preview,
one line per file: old name -&gt; new name. New names that would collide with each other or with
files already on disk get &quot; (n)&quot; before their extension. Nothing is changed without --apply.</source>
        <translation>Listet FOLDER auf, sortiert die Dateien nach Namen, filtert sie, plant das Umbenennen und gibt die
Vorschau aus, eine Zeile je Datei: alter Name -&gt; neuer Name. Neue Namen, die miteinander oder mit
vorhandenen Dateien kollidieren, erhalten &quot; (n)&quot; vor der Endung. Ohne --apply wird nichts geändert.</translation>
    </message>
    <message>
        <source>Every batch is written to a journal under $XDG_STATE_HOME/Quorvane (~/.local/state/Quorvane)
before the first file is renamed. A run on a folder whose last batch was interrupted (a crash,
a kill, a power cut) says so; --apply then refuses until the batch is recovered.</source>
        <translation>Jeder Stapel wird vor der ersten Umbenennung in ein Journal unter $XDG_STATE_HOME/Quorvane
(~/.local/state/Quorvane) geschrieben. Ein Aufruf für einen Ordner, dessen letzter Stapel unterbrochen
wurde (Absturz, Abbruch, Stromausfall), meldet das; --apply verweigert dann, bis er wiederhergestellt ist.</translation>
    </message>
    <message>
        <source>Exit status: 0 on success; 1 when the folder cannot be listed (&quot;Cannot access the selected
folder.&quot;) or, with --apply, when a rename failed; 2 for bad options or settings.</source>
        <translation>Rückgabewert: 0 bei Erfolg; 1, wenn der Ordner nicht gelesen werden kann (&quot;Auf den gewählten Ordner
kann nicht zugegriffen werden.&quot;) oder mit --apply ein Umbenennen fehlschlug; 2 bei falschen Optionen.</translation>
    </message>
    <message>
        <source>Usage: %1</source>
        <translation>Aufruf: %1</translation>
    </message>
    <message>
        <source>Cannot access the selected folder.</source>
        <translation>Auf den gewählten Ordner kann nicht zugegriffen werden.</translation>
    </message>
    <message>
        <source>, %1 could not be handled</source>
        <translation>, %1 konnten nicht bearbeitet werden</translation>
    </message>
    <message>
        <source>Run quorvane-cli --recover finish FOLDER to complete it, or --recover undo FOLDER to take it back.</source>
        <translation>Mit quorvane-cli --recover finish FOLDER wird er abgeschlossen, mit --recover undo FOLDER zurückgenommen.</translation>
    </message>
    <message>
        <source>No interrupted rename in %1.</source>
        <translation>Kein unterbrochenes Umbenennen in %1.</translation>
    </message>
    <message>
        <source>Finished: renamed %1 items</source>
        <translation>Abgeschlossen: %1 Objekte umbenannt</translation>
    </message>
    <message>
        <source>Undone: renamed %1 items</source>
        <translation>Zurückgenommen: %1 Objekte umbenannt</translation>
    </message>
    <message>
        <source>Nothing to undo in %1.</source>
        <translation>In %1 ist nichts rückgängig zu machen.</translation>
    </message>
    <message>
        <source>Reverted %1 items</source>
        <translation>%1 Objekte zurückgesetzt</translation>
    </message>
    <message>
        <source>, %1 could not be restored</source>
        <translation>, %1 konnten nicht wiederhergestellt werden</translation>
    </message>
    <message>
        <source>Renamed %1 items</source>
        <translation>%1 Objekte umbenannt</translation>
    </message>
    <message>
        <source>Renamed %1, %2 failed</source>
        <translation>%1 umbenannt, %2 fehlgeschlagen</translation>
    </message>
    <message>
        <source>The folder %1 was moved or replaced while it was listed.</source>
        <translation>Der Ordner %1 wurde während des Auflistens verschoben oder ersetzt.</translation>
    </message>
    <message>
        <source>the rename settings as a JSON object with the keys strategy, prefixText,
suffixText, searchText, replaceText, sequenceStart, sequencePadding,
sequenceSeparator, preserveExtension, dateSource, dateFormat,
dateIncludeSequence, datePosition, useRegularExpression, insertText,
insertPosition, insertFromEnd, removePosition, removeCount, removeFromEnd,
sequenceStep, sequenceRestartPerFolder; absent keys take their defaults.
Example: &apos;{&quot;strategy&quot;:&quot;replace&quot;,&quot;searchText&quot;:&quot;IMG&quot;,&quot;replaceText&quot;:&quot;Photo&quot;}&apos;.
A JSON array of such objects is a list of rules applied in order, each
with an optional &quot;enabled&quot; (default true)</source>
        <translation>die Einstellungen zum Umbenennen als JSON-Objekt mit den Schlüsseln strategy,
prefixText, suffixText, searchText, replaceText, sequenceStart, sequencePadding,
sequenceSeparator, preserveExtension, dateSource, dateFormat,
dateIncludeSequence, datePosition, useRegularExpression, insertText,
insertPosition, insertFromEnd, removePosition, removeCount, removeFromEnd,
sequenceStep, sequenceRestartPerFolder; fehlende Schlüssel behalten ihren
Standardwert. Beispiel: &apos;{&quot;strategy&quot;:&quot;replace&quot;,&quot;searchText&quot;:&quot;IMG&quot;,&quot;replaceText&quot;:&quot;Photo&quot;}&apos;.
Ein JSON-Array solcher Objekte ist eine Liste von Regeln, der Reihe nach
angewandt, jede mit einem optionalen &quot;enabled&quot; (Standard true)</translation>
    </message>
</context>
</TS>
