<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Alert</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
</context>
<context>
    <name>CanvasPopover</name>
    <message>
        <source>Expand Canvas</source>
        <translation>Arbeitsfläche erweitern</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>Oben</translation>
    </message>
    <message>
        <source>Pixels to add above the image</source>
        <translation>Pixel, die über dem Bild hinzugefügt werden</translation>
    </message>
    <message>
        <source>Bottom</source>
        <translation>Unten</translation>
    </message>
    <message>
        <source>Pixels to add below the image</source>
        <translation>Pixel, die unter dem Bild hinzugefügt werden</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Pixels to add left of the image</source>
        <translation>Pixel, die links vom Bild hinzugefügt werden</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>Pixels to add right of the image</source>
        <translation>Pixel, die rechts vom Bild hinzugefügt werden</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Füllung</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>Transparent</translation>
    </message>
    <message>
        <source>Leave the added space transparent</source>
        <translation>Den hinzugefügten Rand transparent lassen</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Weiß</translation>
    </message>
    <message>
        <source>Fill the added space with white</source>
        <translation>Den hinzugefügten Rand weiß füllen</translation>
    </message>
    <message>
        <source>Black</source>
        <translation>Schwarz</translation>
    </message>
    <message>
        <source>Fill the added space with black</source>
        <translation>Den hinzugefügten Rand schwarz füllen</translation>
    </message>
    <message>
        <source>Expand</source>
        <translation>Erweitern</translation>
    </message>
    <message>
        <source>Add the space around the image</source>
        <translation>Den Rand um das Bild hinzufügen</translation>
    </message>
    <message>
        <source>pixels</source>
        <translation>Pixel</translation>
    </message>
</context>
<context>
    <name>Capture</name>
    <message>
        <source>Select a region</source>
        <translation>Bereich auswählen</translation>
    </message>
    <message>
        <source>Drag to select a region; Escape cancels</source>
        <translation>Ziehen Sie, um einen Bereich auszuwählen; Esc bricht ab</translation>
    </message>
    <message>
        <source>Drag to select · Return to capture · Escape to cancel</source>
        <translation>Ziehen zum Auswählen · Eingabe zum Aufnehmen · Esc zum Abbrechen</translation>
    </message>
    <message>
        <source>Drag to select · Escape to cancel</source>
        <translation>Ziehen zum Auswählen · Esc zum Abbrechen</translation>
    </message>
    <message>
        <source>Pick a window</source>
        <translation>Fenster auswählen</translation>
    </message>
    <message>
        <source>Click a window to capture it; Escape cancels</source>
        <translation>Klicken Sie auf ein Fenster, um es aufzunehmen; Esc bricht ab</translation>
    </message>
    <message>
        <source>Click a window to capture it · Escape cancels</source>
        <translation>Fenster anklicken zum Aufnehmen · Esc bricht ab</translation>
    </message>
</context>
<context>
    <name>CaptureManager</name>
    <message>
        <source>Screenshot copied</source>
        <translation>Bildschirmfoto kopiert</translation>
    </message>
    <message>
        <source>%1 × %2 px</source>
        <translation>%1 × %2 px</translation>
    </message>
    <message>
        <source>Text copied</source>
        <translation>Text kopiert</translation>
    </message>
    <message>
        <source>Capture countdown</source>
        <translation>Countdown bis zur Aufnahme</translation>
    </message>
    <message>
        <source>The screen of the selection was disconnected during the selection.</source>
        <translation>Der Bildschirm der Auswahl wurde während des Auswählens getrennt.</translation>
    </message>
    <message>
        <source>Not enough memory for the captured picture.</source>
        <translation>Nicht genügend Speicher für das aufgenommene Bild.</translation>
    </message>
    <message>
        <source>The last region is on no screen now (its screen was %1): select a region again.</source>
        <translation>Der letzte Bereich liegt auf keinem Bildschirm mehr (sein Bildschirm war %1): Wählen Sie erneut einen Bereich aus.</translation>
    </message>
    <message>
        <source>unnamed</source>
        <translation>unbenannt</translation>
    </message>
    <message>
        <source>The screen could not be read.</source>
        <translation>Der Bildschirm konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>there is no last region to capture again: select a region first (pictavo capture region)</source>
        <translation>es gibt keinen letzten Bereich, der erneut aufgenommen werden kann: Wählen Sie zuerst einen Bereich aus (pictavo capture region)</translation>
    </message>
    <message>
        <source>Couldn&apos;t Capture the Screen</source>
        <translation>Bildschirm konnte nicht aufgenommen werden</translation>
    </message>
</context>
<context>
    <name>ColorPopover</name>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>Recent</source>
        <translation>Zuletzt verwendet</translation>
    </message>
    <message>
        <source>More colors…</source>
        <translation>Weitere Farben …</translation>
    </message>
    <message>
        <source>Pick any color</source>
        <translation>Beliebige Farbe auswählen</translation>
    </message>
    <message>
        <source>Colors</source>
        <translation>Farben</translation>
    </message>
</context>
<context>
    <name>Colors</name>
    <message>
        <source>black</source>
        <translation>Schwarz</translation>
    </message>
    <message>
        <source>white</source>
        <translation>Weiß</translation>
    </message>
    <message>
        <source>gray</source>
        <translation>Grau</translation>
    </message>
    <message>
        <source>brown</source>
        <translation>Braun</translation>
    </message>
    <message>
        <source>red</source>
        <translation>Rot</translation>
    </message>
    <message>
        <source>orange</source>
        <translation>Orange</translation>
    </message>
    <message>
        <source>yellow</source>
        <translation>Gelb</translation>
    </message>
    <message>
        <source>green</source>
        <translation>Grün</translation>
    </message>
    <message>
        <source>mint</source>
        <translation>Mintgrün</translation>
    </message>
    <message>
        <source>teal</source>
        <translation>Petrol</translation>
    </message>
    <message>
        <source>blue</source>
        <translation>Blau</translation>
    </message>
    <message>
        <source>indigo</source>
        <translation>Indigo</translation>
    </message>
    <message>
        <source>purple</source>
        <translation>Violett</translation>
    </message>
    <message>
        <source>pink</source>
        <translation>Pink</translation>
    </message>
</context>
<context>
    <name>Editor</name>
    <message>
        <source>“%1” was opened without %2 of its objects: they could not be read.</source>
        <translation>„%1“ wurde ohne %2 seiner Objekte geöffnet, weil sie nicht gelesen werden konnten.</translation>
    </message>
    <message>
        <source>%1 objects of “%2” would take too long to draw and are not shown.</source>
        <translation>%1 Objekte von „%2“ würden zu lange zum Zeichnen brauchen und werden nicht angezeigt.</translation>
    </message>
    <message>
        <source>Edit Screenshot</source>
        <translation>Bildschirmfoto bearbeiten</translation>
    </message>
    <message>
        <source>Edit Screenshot — %1</source>
        <translation>Bildschirmfoto bearbeiten — %1</translation>
    </message>
</context>
<context>
    <name>EditorActions</name>
    <message>
        <source>Paste Image</source>
        <translation>Bild einfügen</translation>
    </message>
    <message>
        <source>Paste image from clipboard as an object</source>
        <translation>Bild aus der Zwischenablage als Objekt einfügen</translation>
    </message>
    <message>
        <source>Expand Canvas</source>
        <translation>Arbeitsfläche erweitern</translation>
    </message>
    <message>
        <source>Expand canvas — add space around the image</source>
        <translation>Arbeitsfläche erweitern — Rand um das Bild hinzufügen</translation>
    </message>
    <message>
        <source>Rotate Image</source>
        <translation>Bild drehen</translation>
    </message>
    <message>
        <source>Rotate image — turn or straighten the whole screenshot</source>
        <translation>Bild drehen — das ganze Bildschirmfoto drehen oder begradigen</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Ansicht verkleinern</translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Ansicht vergrößern</translation>
    </message>
    <message>
        <source>1:1</source>
        <translation>1:1</translation>
    </message>
    <message>
        <source>Actual size — 100%</source>
        <translation>Originalgröße — 100 %</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Copy Objects</source>
        <translation>Objekte kopieren</translation>
    </message>
    <message>
        <source>Copy selected object(s) — Ctrl+V pastes a duplicate</source>
        <translation>Ausgewählte Objekte kopieren — Strg+V fügt ein Duplikat ein</translation>
    </message>
    <message>
        <source>Rotate Left</source>
        <translation>Nach links drehen</translation>
    </message>
    <message>
        <source>Rotate 90° left</source>
        <translation>Um 90° nach links drehen</translation>
    </message>
    <message>
        <source>Rotate Right</source>
        <translation>Nach rechts drehen</translation>
    </message>
    <message>
        <source>Rotate 90° right</source>
        <translation>Um 90° nach rechts drehen</translation>
    </message>
    <message>
        <source>Fine Rotate Left</source>
        <translation>Fein nach links drehen</translation>
    </message>
    <message>
        <source>Fine rotate — 1° per step</source>
        <translation>Feindrehung — 1° pro Schritt</translation>
    </message>
    <message>
        <source>Fine Rotate Right</source>
        <translation>Fein nach rechts drehen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Delete selected element(s)</source>
        <translation>Ausgewählte Elemente löschen</translation>
    </message>
    <message>
        <source>Flatten</source>
        <translation>Zusammenfügen</translation>
    </message>
    <message>
        <source>Flatten selected element into the image (no longer editable)</source>
        <translation>Ausgewähltes Element mit dem Bild zusammenfügen (danach nicht mehr bearbeitbar)</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Copy the flat image to the clipboard</source>
        <translation>Das zusammengefügte Bild in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>Speichern …</translation>
    </message>
    <message>
        <source>Saves the flat PNG plus an editable .pictproj project</source>
        <translation>Speichert das zusammengefügte PNG und ein bearbeitbares .pictproj-Projekt</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alles auswählen</translation>
    </message>
    <message>
        <source>Select every object</source>
        <translation>Alle Objekte auswählen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Close this window</source>
        <translation>Dieses Fenster schließen</translation>
    </message>
    <message>
        <source>Renumber Badges</source>
        <translation>Nummernpunkte neu nummerieren</translation>
    </message>
    <message>
        <source>Number the selected badges (two or more), or all of them, 1, 2, 3… in drawing order</source>
        <translation>Die ausgewählten Nummernpunkte (zwei oder mehr) oder alle in Zeichenreihenfolge mit 1, 2, 3 … nummerieren</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>Einpassen</translation>
    </message>
    <message>
        <source>Zoom to fit the window</source>
        <translation>Ansicht in das Fenster einpassen</translation>
    </message>
    <message>
        <source>Save As…</source>
        <translation>Speichern unter …</translation>
    </message>
    <message>
        <source>Save the picture and its project under another name, format or size</source>
        <translation>Das Bild und sein Projekt unter einem anderen Namen, Format oder einer anderen Größe speichern</translation>
    </message>
    <message>
        <source>Copy Text</source>
        <translation>Text kopieren</translation>
    </message>
    <message>
        <source>Copy the text of the picture, or of the selected rectangle, to the clipboard — recognition can miss text, check what matters</source>
        <translation>Den Text des Bildes oder des ausgewählten Rechtecks in die Zwischenablage kopieren — die Erkennung kann Text übersehen, prüfen Sie das Wichtige</translation>
    </message>
    <message>
        <source>Find Sensitive Text</source>
        <translation>Vertrauliche Texte finden</translation>
    </message>
    <message>
        <source>Find Sensitive Text — covers e-mail and IP addresses, keys, serial numbers and the like with redactions; recognition can miss text, check before sending</source>
        <translation>Vertrauliche Texte finden — schwärzt E-Mail- und IP-Adressen, Schlüssel, Seriennummern und Ähnliches; die Erkennung kann Text übersehen, prüfen Sie vor dem Versenden</translation>
    </message>
</context>
<context>
    <name>EditorModel</name>
    <message>
        <source>There is not enough memory to go to this step.</source>
        <translation>Es ist nicht genügend Speicher vorhanden, um zu diesem Schritt zu wechseln.</translation>
    </message>
    <message>
        <source>Couldn&apos;t rotate the picture</source>
        <translation>Das Bild konnte nicht gedreht werden</translation>
    </message>
    <message>
        <source>Couldn&apos;t expand the canvas</source>
        <translation>Die Arbeitsfläche konnte nicht erweitert werden</translation>
    </message>
    <message>
        <source>Couldn&apos;t paste the objects: %1</source>
        <translation>Die Objekte konnten nicht eingefügt werden: %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t paste the objects</source>
        <translation>Die Objekte konnten nicht eingefügt werden</translation>
    </message>
    <message>
        <source>Couldn&apos;t paste the picture</source>
        <translation>Das Bild konnte nicht eingefügt werden</translation>
    </message>
    <message>
        <source>Couldn&apos;t add the redactions</source>
        <translation>Die Schwärzungen konnten nicht hinzugefügt werden</translation>
    </message>
</context>
<context>
    <name>EditorToolbar</name>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Divider</source>
        <translation>Trennlinie</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Werkzeuge</translation>
    </message>
    <message>
        <source>Color — recolors the selected element too</source>
        <translation>Farbe — färbt auch das ausgewählte Element um</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Size in image pixels — same at any zoom</source>
        <translation>Größe in Bildpixeln — bei jeder Vergrößerung gleich</translation>
    </message>
    <message>
        <source>Size in pixels</source>
        <translation>Größe in Pixeln</translation>
    </message>
    <message>
        <source>Type a size in image pixels (1–200)</source>
        <translation>Geben Sie eine Größe in Bildpixeln ein (1–200)</translation>
    </message>
    <message>
        <source>Stroke width</source>
        <translation>Strichstärke</translation>
    </message>
    <message>
        <source>px</source>
        <translation>px</translation>
    </message>
    <message>
        <source>Arrowhead size</source>
        <translation>Pfeilspitzengröße</translation>
    </message>
    <message>
        <source>Arrowhead</source>
        <translation>Pfeilspitze</translation>
    </message>
    <message>
        <source>Hollow outline or solid fill</source>
        <translation>Nur Umriss oder gefüllte Fläche</translation>
    </message>
    <message>
        <source>Outline</source>
        <translation>Umriss</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Füllung</translation>
    </message>
    <message>
        <source>Icon</source>
        <translation>Symbol</translation>
    </message>
    <message>
        <source>Names</source>
        <translation>Namen</translation>
    </message>
    <message>
        <source>Show the icon&apos;s name below new stamps</source>
        <translation>Den Namen des Symbols unter neuen Stempeln anzeigen</translation>
    </message>
    <message>
        <source>Solid or hollow badge</source>
        <translation>Gefüllter oder hohler Nummernpunkt</translation>
    </message>
    <message>
        <source>Solid</source>
        <translation>Gefüllt</translation>
    </message>
    <message>
        <source>Hollow</source>
        <translation>Hohl</translation>
    </message>
    <message>
        <source>Next number</source>
        <translation>Nächste Nummer</translation>
    </message>
    <message>
        <source>Number for the next dot</source>
        <translation>Nummer für den nächsten Nummernpunkt</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Vergrößerung</translation>
    </message>
    <message>
        <source>Selection outline</source>
        <translation>Umriss der Auswahl</translation>
    </message>
    <message>
        <source>Selection fill</source>
        <translation>Füllung der Auswahl</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Show this stamp&apos;s name below it</source>
        <translation>Den Namen dieses Stempels darunter anzeigen</translation>
    </message>
    <message>
        <source>Number inside or outside the circle</source>
        <translation>Nummer innerhalb oder außerhalb des Kreises</translation>
    </message>
    <message>
        <source>In</source>
        <translation>Innen</translation>
    </message>
    <message>
        <source>Number in</source>
        <translation>Nummer innen</translation>
    </message>
    <message>
        <source>Out</source>
        <translation>Außen</translation>
    </message>
    <message>
        <source>Number out</source>
        <translation>Nummer außen</translation>
    </message>
    <message>
        <source>Fine rotate</source>
        <translation>Feindrehung</translation>
    </message>
    <message>
        <source>Rotation</source>
        <translation>Drehung</translation>
    </message>
    <message>
        <source>Rotation in degrees</source>
        <translation>Drehung in Grad</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>Speichern …</translation>
    </message>
    <message>
        <source>Copy Text</source>
        <translation>Text kopieren</translation>
    </message>
    <message>
        <source>Copied!</source>
        <translation>Kopiert!</translation>
    </message>
    <message>
        <source>Cancel Reading</source>
        <translation>Lesen abbrechen</translation>
    </message>
    <message>
        <source>Stop reading the text</source>
        <translation>Das Lesen des Textes abbrechen</translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1 %</translation>
    </message>
</context>
<context>
    <name>EditorView</name>
    <message>
        <source>Canvas</source>
        <translation>Arbeitsfläche</translation>
    </message>
    <message>
        <source>The screenshot and its annotations</source>
        <translation>Das Bildschirmfoto und seine Anmerkungen</translation>
    </message>
</context>
<context>
    <name>EditorWindowController</name>
    <message>
        <source>Edit Screenshot</source>
        <translation>Bildschirmfoto bearbeiten</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>v%1</source>
        <translation>v%1</translation>
    </message>
    <message>
        <source>Shift+Return for a new line</source>
        <translation>Umschalt+Eingabe für eine neue Zeile</translation>
    </message>
    <message>
        <source>Save changes to this screenshot?</source>
        <translation>Änderungen an diesem Bildschirmfoto speichern?</translation>
    </message>
    <message>
        <source>Your annotations will be lost if you close without saving.</source>
        <translation>Ihre Anmerkungen gehen verloren, wenn Sie ohne Speichern schließen.</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>Speichern …</translation>
    </message>
    <message>
        <source>Don&apos;t Save</source>
        <translation>Nicht speichern</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Reading the text…</source>
        <translation>Text wird gelesen …</translation>
    </message>
    <message>
        <source>Reading cancelled</source>
        <translation>Lesen abgebrochen</translation>
    </message>
    <message>
        <source>Looking for sensitive text…</source>
        <translation>Vertrauliche Texte werden gesucht …</translation>
    </message>
    <message>
        <source>The picture changed while its text was read: nothing was covered. Try again.</source>
        <translation>Das Bild hat sich geändert, während sein Text gelesen wurde: Es wurde nichts geschwärzt. Versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>%1 — not covered</source>
        <translation>%1 — nicht geschwärzt</translation>
    </message>
    <message>
        <source>%1 — check before sending</source>
        <translation>%1 — vor dem Versenden prüfen</translation>
    </message>
    <message>
        <source>“%1” was saved without %2 objects that would take too long to draw. The project beside it keeps them all.</source>
        <translation>„%1“ wurde ohne %2 Objekte gespeichert, deren Zeichnen zu lange dauern würde. Das Projekt daneben enthält sie alle.</translation>
    </message>
    <message>
        <source>Choose where to save the editable .pictproj project</source>
        <translation>Wählen Sie, wo das bearbeitbare .pictproj-Projekt gespeichert werden soll</translation>
    </message>
    <message>
        <source>Pictavo project (*.pictproj)</source>
        <translation>Pictavo-Projekt (*.pictproj)</translation>
    </message>
    <message>
        <source>Saved “%1” in &lt;a href=&quot;%2&quot;&gt;%3&lt;/a&gt;</source>
        <translation>„%1“ gespeichert in &lt;a href=&quot;%2&quot;&gt;%3&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Restored unsaved edits</source>
        <translation>Ungespeicherte Änderungen wiederhergestellt</translation>
    </message>
    <message>
        <source>%1 × %2 px</source>
        <translation>%1 × %2 px</translation>
    </message>
    <message>
        <source>%1 objects would take too long to draw and are not shown</source>
        <translation>%1 Objekte würden zu lange zum Zeichnen brauchen und werden nicht angezeigt</translation>
    </message>
    <message>
        <source>%1 — %2 objects not shown</source>
        <translation>%1 — %2 Objekte nicht angezeigt</translation>
    </message>
</context>
<context>
    <name>Error</name>
    <message>
        <source>Couldn&apos;t draw “%1”: not enough memory</source>
        <translation>„%1“ konnte nicht gezeichnet werden: nicht genug Speicher</translation>
    </message>
    <message>
        <source>Couldn&apos;t keep the capture in “%1”: not enough memory</source>
        <translation>Die Aufnahme konnte nicht in „%1“ aufbewahrt werden: nicht genug Speicher</translation>
    </message>
    <message>
        <source>Couldn&apos;t open “%1”: %2</source>
        <translation>„%1“ konnte nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>Couldn&apos;t read “%1”: %2</source>
        <translation>„%1“ konnte nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Couldn&apos;t write “%1”: %2</source>
        <translation>„%1“ konnte nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Couldn&apos;t use “%1”: %2</source>
        <translation>„%1“ konnte nicht verwendet werden: %2</translation>
    </message>
    <message>
        <source>“%1” is not a Pictavo project.</source>
        <translation>„%1“ ist kein Pictavo-Projekt.</translation>
    </message>
    <message>
        <source>“%1” is not a Pictavo project or is damaged: %2</source>
        <translation>„%1“ ist kein Pictavo-Projekt oder beschädigt: %2</translation>
    </message>
    <message>
        <source>“%1” is damaged: %2</source>
        <translation>„%1“ ist beschädigt: %2</translation>
    </message>
    <message>
        <source>“%1” is not a readable image: %2</source>
        <translation>„%1“ ist kein lesbares Bild: %2</translation>
    </message>
    <message>
        <source>“%1” could not be decoded: %2</source>
        <translation>„%1“ konnte nicht dekodiert werden: %2</translation>
    </message>
    <message>
        <source>“%1” could not be opened as a PDF: %2</source>
        <translation>„%1“ konnte nicht als PDF geöffnet werden: %2</translation>
    </message>
    <message>
        <source>“%1” needs more memory to decode than Pictavo allows</source>
        <translation>„%1“ braucht zum Dekodieren mehr Speicher, als Pictavo erlaubt</translation>
    </message>
    <message>
        <source>“%1” is %2; Pictavo does not write through it</source>
        <translation>„%1“ ist %2; Pictavo schreibt nicht durch sie hindurch</translation>
    </message>
    <message>
        <source>The project could not be encoded: %1</source>
        <translation>Das Projekt konnte nicht kodiert werden: %1</translation>
    </message>
    <message>
        <source>The text of %1 could not be read: %2</source>
        <translation>Der Text von %1 konnte nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>The text of %1 could not be read</source>
        <translation>Der Text von %1 konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>Reading the text of %1 takes more than %2 seconds</source>
        <translation>Das Lesen des Textes von %1 dauert länger als %2 Sekunden</translation>
    </message>
    <message>
        <source>There is not enough memory to read the text</source>
        <translation>Es ist nicht genug Speicher frei, um den Text zu lesen</translation>
    </message>
    <message>
        <source>No text recognition languages are installed (install tesseract-ocr-eng)</source>
        <translation>Es sind keine Sprachen für die Texterkennung installiert (installieren Sie tesseract-ocr-eng)</translation>
    </message>
    <message>
        <source>At most 8 languages can be read at once</source>
        <translation>Es können höchstens 8 Sprachen zugleich gelesen werden</translation>
    </message>
    <message>
        <source>No X display to capture (DISPLAY is not set or the server refused us).</source>
        <translation>Keine X-Anzeige zum Aufnehmen (DISPLAY ist nicht gesetzt oder der Server hat die Verbindung abgelehnt).</translation>
    </message>
    <message>
        <source>No screenshot portal answered. %1</source>
        <translation>Kein Bildschirmfoto-Portal hat geantwortet. %1</translation>
    </message>
    <message>
        <source>The desktop portal here offers no screenshots. %1</source>
        <translation>Das Desktop-Portal bietet hier keine Bildschirmfotos an. %1</translation>
    </message>
    <message>
        <source>Install xdg-desktop-portal and the portal of your desktop (xdg-desktop-portal-gnome, -kde or -wlr).</source>
        <translation>Installieren Sie xdg-desktop-portal und das Portal Ihres Desktops (xdg-desktop-portal-gnome, -kde oder -wlr).</translation>
    </message>
    <message>
        <source>The desktop portal refused to take a screenshot (%1). Allow screenshots for Pictavo in your desktop&apos;s privacy settings.</source>
        <translation>Das Desktop-Portal hat das Bildschirmfoto abgelehnt (%1). Erlauben Sie Pictavo Bildschirmfotos in den Datenschutzeinstellungen Ihres Desktops.</translation>
    </message>
    <message>
        <source>The screenshot portal failed: %1. %2</source>
        <translation>Das Bildschirmfoto-Portal ist gescheitert: %1. %2</translation>
    </message>
    <message>
        <source>GNOME did not answer: Pictavo lacks the screenshot permission. Answer “Allow” when GNOME asks “Allow Applications to Take Screenshots?”, or grant it in a terminal: %1</source>
        <translation>GNOME hat nicht geantwortet: Pictavo fehlt die Berechtigung für Bildschirmfotos. Antworten Sie „Erlauben“, wenn GNOME fragt, ob Anwendungen Bildschirmfotos aufnehmen dürfen, oder erteilen Sie sie in einem Terminal: %1</translation>
    </message>
    <message>
        <source>GNOME&apos;s question “Allow Applications to Take Screenshots?” was not answered, so Pictavo lacks the screenshot permission. Answer “Allow” there (it may still be on the screen) and capture again, or grant it in a terminal: %1</source>
        <translation>Die Frage von GNOME, ob Anwendungen Bildschirmfotos aufnehmen dürfen, wurde nicht beantwortet, daher fehlt Pictavo die Berechtigung. Antworten Sie dort „Erlauben“ (sie ist vielleicht noch auf dem Bildschirm) und nehmen Sie erneut auf, oder erteilen Sie sie in einem Terminal: %1</translation>
    </message>
    <message>
        <source>GNOME refused Pictavo the screenshot permission. To be asked again, reset it in a terminal: %1</source>
        <translation>GNOME hat Pictavo die Berechtigung für Bildschirmfotos verweigert. Um erneut gefragt zu werden, setzen Sie sie in einem Terminal zurück: %1</translation>
    </message>
    <message>
        <source>Pictavo could not listen for the screenshot portal&apos;s answer: %1</source>
        <translation>Pictavo konnte nicht auf die Antwort des Bildschirmfoto-Portals warten: %1</translation>
    </message>
    <message>
        <source>Pictavo is waiting for an answer in “%1”: answer it, then capture again.</source>
        <translation>Pictavo wartet auf eine Antwort in „%1“: Beantworten Sie sie und nehmen Sie dann erneut auf.</translation>
    </message>
    <message>
        <source>The screenshot portal answered without a picture file.</source>
        <translation>Das Bildschirmfoto-Portal hat ohne Bilddatei geantwortet.</translation>
    </message>
    <message>
        <source>The screenshot portal did not take the picture.</source>
        <translation>Das Bildschirmfoto-Portal hat das Bild nicht aufgenommen.</translation>
    </message>
    <message>
        <source>The screenshot portal&apos;s picture could not be read: %1</source>
        <translation>Das Bild des Bildschirmfoto-Portals konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Not enough memory for a picture of the screen.</source>
        <translation>Nicht genug Speicher für ein Bild des Bildschirms.</translation>
    </message>
    <message>
        <source>The X server refused the screen&apos;s pixels (error %1).</source>
        <translation>Der X-Server hat die Pixel des Bildschirms verweigert (Fehler %1).</translation>
    </message>
    <message>
        <source>The X server sent pixels of a depth Pictavo cannot read.</source>
        <translation>Der X-Server hat Pixel in einer Farbtiefe gesendet, die Pictavo nicht lesen kann.</translation>
    </message>
    <message>
        <source>The screen&apos;s size cannot be captured.</source>
        <translation>Die Größe des Bildschirms kann nicht aufgenommen werden.</translation>
    </message>
    <message>
        <source>There is no screen to capture.</source>
        <translation>Es gibt keinen Bildschirm zum Aufnehmen.</translation>
    </message>
    <message>
        <source>a capture is already in progress</source>
        <translation>eine Aufnahme läuft bereits</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>sie ist keine normale Datei</translation>
    </message>
    <message>
        <source>the file is too large</source>
        <translation>die Datei ist zu groß</translation>
    </message>
    <message>
        <source>nothing to write</source>
        <translation>es gibt nichts zu schreiben</translation>
    </message>
    <message>
        <source>there is no picture</source>
        <translation>es gibt kein Bild</translation>
    </message>
    <message>
        <source>the data could not be encoded</source>
        <translation>die Daten konnten nicht kodiert werden</translation>
    </message>
    <message>
        <source>the picture could not be drawn</source>
        <translation>das Bild konnte nicht gezeichnet werden</translation>
    </message>
    <message>
        <source>the picture could not be encoded</source>
        <translation>das Bild konnte nicht kodiert werden</translation>
    </message>
    <message>
        <source>the picture could not be written as PNG</source>
        <translation>das Bild konnte nicht als PNG geschrieben werden</translation>
    </message>
    <message>
        <source>there is not enough space on the disk</source>
        <translation>auf dem Datenträger ist nicht genug Platz</translation>
    </message>
    <message>
        <source>its format is not one Pictavo reads</source>
        <translation>Pictavo kann sein Format nicht lesen</translation>
    </message>
    <message>
        <source>%1 pictures are not supported</source>
        <translation>%1-Bilder werden nicht unterstützt</translation>
    </message>
    <message>
        <source>it holds no picture</source>
        <translation>sie enthält kein Bild</translation>
    </message>
    <message>
        <source>it is too large</source>
        <translation>sie ist zu groß</translation>
    </message>
    <message>
        <source>it is %1 × %2 pixels, more than %3 on a side</source>
        <translation>es ist %1 × %2 Pixel groß, mehr als %3 auf einer Seite</translation>
    </message>
    <message>
        <source>the picture would be %1 × %2 pixels, more than %3 on a side</source>
        <translation>das Bild wäre %1 × %2 Pixel groß, mehr als %3 auf einer Seite</translation>
    </message>
    <message>
        <source>its pictures together are too large</source>
        <translation>seine Bilder sind zusammen zu groß</translation>
    </message>
    <message>
        <source>its picture cannot be decoded (%1)</source>
        <translation>sein Bild kann nicht dekodiert werden (%1)</translation>
    </message>
    <message>
        <source>not enough memory to convert it</source>
        <translation>nicht genug Speicher, um es umzuwandeln</translation>
    </message>
    <message>
        <source>there is not enough memory to decode it</source>
        <translation>es ist nicht genug Speicher frei, um es zu dekodieren</translation>
    </message>
    <message>
        <source>there is not enough memory to open it</source>
        <translation>es ist nicht genug Speicher frei, um es zu öffnen</translation>
    </message>
    <message>
        <source>the decoding process stopped</source>
        <translation>der Dekodierprozess wurde beendet</translation>
    </message>
    <message>
        <source>the decoding process answered nonsense</source>
        <translation>der Dekodierprozess hat Unsinn geantwortet</translation>
    </message>
    <message>
        <source>the decoding process could not be started (%1)</source>
        <translation>der Dekodierprozess konnte nicht gestartet werden (%1)</translation>
    </message>
    <message>
        <source>it has no pages.</source>
        <translation>es hat keine Seiten.</translation>
    </message>
    <message>
        <source>it has no such page.</source>
        <translation>es hat keine solche Seite.</translation>
    </message>
    <message>
        <source>it is protected by a password.</source>
        <translation>es ist durch ein Passwort geschützt.</translation>
    </message>
    <message>
        <source>its protection is not supported.</source>
        <translation>sein Schutz wird nicht unterstützt.</translation>
    </message>
    <message>
        <source>the file cannot be read.</source>
        <translation>die Datei kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>the file is damaged or not a PDF.</source>
        <translation>die Datei ist beschädigt oder kein PDF.</translation>
    </message>
    <message>
        <source>the file is not there.</source>
        <translation>die Datei ist nicht vorhanden.</translation>
    </message>
    <message>
        <source>the page cannot be drawn</source>
        <translation>die Seite kann nicht gezeichnet werden</translation>
    </message>
    <message>
        <source>the page could not be drawn.</source>
        <translation>die Seite konnte nicht gezeichnet werden.</translation>
    </message>
    <message>
        <source>the page is too small to show.</source>
        <translation>die Seite ist zu klein zum Anzeigen.</translation>
    </message>
    <message>
        <source>a link owned by another user</source>
        <translation>eine Verknüpfung, die einem anderen Benutzer gehört</translation>
    </message>
    <message>
        <source>a link in a folder other users may write</source>
        <translation>eine Verknüpfung in einem Ordner, in den andere Benutzer schreiben dürfen</translation>
    </message>
    <message>
        <source>it belongs to another user</source>
        <translation>er gehört einem anderen Benutzer</translation>
    </message>
    <message>
        <source>it is a link, not a folder</source>
        <translation>er ist eine Verknüpfung, kein Ordner</translation>
    </message>
    <message>
        <source>it is not a folder</source>
        <translation>er ist kein Ordner</translation>
    </message>
    <message>
        <source>it is empty</source>
        <translation>er ist leer</translation>
    </message>
    <message>
        <source>the recognition process answered nonsense</source>
        <translation>der Erkennungsprozess hat Unsinn geantwortet</translation>
    </message>
    <message>
        <source>the picture could not be prepared for reading</source>
        <translation>das Bild konnte nicht zum Lesen vorbereitet werden</translation>
    </message>
    <message>
        <source>the text recognition data for “%1” could not be loaded</source>
        <translation>die Texterkennungsdaten für „%1“ konnten nicht geladen werden</translation>
    </message>
    <message>
        <source>text recognition is not installed (%1: %2)</source>
        <translation>die Texterkennung ist nicht installiert (%1: %2)</translation>
    </message>
</context>
<context>
    <name>FileOpener</name>
    <message>
        <source>%1 page %2</source>
        <translation>%1 Seite %2</translation>
    </message>
</context>
<context>
    <name>History</name>
    <message>
        <source>Open this capture in the editor</source>
        <translation>Diese Aufnahme im Editor öffnen</translation>
    </message>
    <message>
        <source>Open this capture in the editor, with the marks saved on it</source>
        <translation>Diese Aufnahme mit den darauf gespeicherten Markierungen im Editor öffnen</translation>
    </message>
    <message>
        <source>No Captures Yet</source>
        <translation>Noch keine Aufnahmen</translation>
    </message>
    <message>
        <source>The pictures you capture are listed here</source>
        <translation>Die von Ihnen aufgenommenen Bilder werden hier aufgelistet</translation>
    </message>
    <message>
        <source>Keep Capture History is off in Preferences</source>
        <translation>„Aufnahmeverlauf behalten“ ist in den Einstellungen ausgeschaltet</translation>
    </message>
    <message>
        <source>Today %1</source>
        <translation>Heute %1</translation>
    </message>
    <message>
        <source>Yesterday %1</source>
        <translation>Gestern %1</translation>
    </message>
</context>
<context>
    <name>PdfPages</name>
    <message>
        <source>Choose a Page</source>
        <translation>Seite auswählen</translation>
    </message>
    <message>
        <source>This PDF has %1 pages. Select a page to annotate.</source>
        <translation>Dieses PDF hat %1 Seiten. Wählen Sie eine Seite zum Bearbeiten aus.</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Seiten</translation>
    </message>
    <message>
        <source>Click a page, then Open Page; or double-click it</source>
        <translation>Klicken Sie auf eine Seite und dann auf „Seite öffnen“ oder doppelklicken Sie darauf</translation>
    </message>
    <message>
        <source>Page %1</source>
        <translation>Seite %1</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Open Page</source>
        <translation>Seite öffnen</translation>
    </message>
    <message>
        <source>Open nothing (Escape)</source>
        <translation>Nichts öffnen (Esc)</translation>
    </message>
    <message>
        <source>Open the selected page in the editor (Return)</source>
        <translation>Die ausgewählte Seite im Editor öffnen (Eingabe)</translation>
    </message>
    <message>
        <source>This page could not be drawn in time</source>
        <translation>Diese Seite konnte nicht rechtzeitig gezeichnet werden</translation>
    </message>
    <message>
        <source>Page %1, not drawn</source>
        <translation>Seite %1, nicht gezeichnet</translation>
    </message>
</context>
<context>
    <name>PreviewView</name>
    <message>
        <source>Captured picture</source>
        <translation>Aufgenommenes Bild</translation>
    </message>
</context>
<context>
    <name>PreviewWindowController</name>
    <message>
        <source>Screenshot</source>
        <translation>Bildschirmfoto</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>Speichern …</translation>
    </message>
    <message>
        <source>Copy to Clipboard</source>
        <translation>In die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Copy Text</source>
        <translation>Text kopieren</translation>
    </message>
    <message>
        <source>Save the picture as PNG</source>
        <translation>Das Bild als PNG speichern</translation>
    </message>
    <message>
        <source>Copy the picture to the clipboard</source>
        <translation>Das Bild in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Copy the text of the picture to the clipboard — recognition can miss text, check what matters</source>
        <translation>Den Text des Bildes in die Zwischenablage kopieren — die Erkennung kann Text übersehen, prüfen Sie das Wichtige</translation>
    </message>
    <message>
        <source>Open the picture in the editor to mark it up</source>
        <translation>Das Bild im Editor öffnen, um es zu beschriften</translation>
    </message>
    <message>
        <source>Copied!</source>
        <translation>Kopiert!</translation>
    </message>
    <message>
        <source>Reading…</source>
        <translation>Wird gelesen …</translation>
    </message>
</context>
<context>
    <name>PrintKey</name>
    <message>
        <source>Capture a region with the Print key?</source>
        <translation>Einen Bereich mit der Druck-Taste aufnehmen?</translation>
    </message>
    <message>
        <source>Pictavo can bind Print to “Capture Selection” for you. You can change the key later in your desktop&apos;s shortcut settings.</source>
        <translation>Pictavo kann die Druck-Taste für Sie mit „Bereich aufnehmen“ belegen. Sie können die Taste später in den Tastenkürzel-Einstellungen Ihrer Arbeitsumgebung ändern.</translation>
    </message>
    <message>
        <source>Bind Print</source>
        <translation>Druck-Taste belegen</translation>
    </message>
    <message>
        <source>Pressing Print will start “Capture Selection”</source>
        <translation>Die Druck-Taste startet dann „Bereich aufnehmen“</translation>
    </message>
    <message>
        <source>Not now</source>
        <translation>Nicht jetzt</translation>
    </message>
    <message>
        <source>Leave the Print key as it is; Pictavo will not ask again</source>
        <translation>Die Druck-Taste unverändert lassen; Pictavo fragt nicht erneut</translation>
    </message>
</context>
<context>
    <name>RecoveryJournal</name>
    <message>
        <source>Unsaved edits can&apos;t be kept for recovery: %1</source>
        <translation>Ungespeicherte Änderungen können nicht für die Wiederherstellung aufbewahrt werden: %1</translation>
    </message>
    <message>
        <source>Pictavo closed with unsaved edits in 1 screenshot</source>
        <translation>Pictavo wurde mit ungespeicherten Änderungen in 1 Bildschirmfoto beendet</translation>
    </message>
    <message>
        <source>Pictavo closed with unsaved edits in %1 screenshots</source>
        <translation>Pictavo wurde mit ungespeicherten Änderungen in %1 Bildschirmfotos beendet</translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation>und %1 weitere</translation>
    </message>
    <message>
        <source>Restore opens it again as it was, unsaved.</source>
        <translation>„Wiederherstellen“ öffnet es wieder so, wie es war, ungespeichert.</translation>
    </message>
    <message>
        <source>Restore opens them again as they were, unsaved.</source>
        <translation>„Wiederherstellen“ öffnet sie wieder so, wie sie waren, ungespeichert.</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Open the unsaved screenshots again in editors</source>
        <translation>Die ungespeicherten Bildschirmfotos wieder in Editoren öffnen</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Verwerfen</translation>
    </message>
    <message>
        <source>Delete the unsaved edits for good</source>
        <translation>Die ungespeicherten Änderungen endgültig löschen</translation>
    </message>
    <message>
        <source>Restore Unsaved Screenshots</source>
        <translation>Ungespeicherte Bildschirmfotos wiederherstellen</translation>
    </message>
    <message>
        <source>“%1” could not be restored: %2. It is offered again at the next start.</source>
        <translation>„%1“ konnte nicht wiederhergestellt werden: %2. Es wird beim nächsten Start erneut angeboten.</translation>
    </message>
</context>
<context>
    <name>RotatePopover</name>
    <message>
        <source>Rotate Image</source>
        <translation>Bild drehen</translation>
    </message>
    <message>
        <source>90° Left</source>
        <translation>90° nach links</translation>
    </message>
    <message>
        <source>Turn the whole image a quarter turn to the left</source>
        <translation>Das ganze Bild um eine Vierteldrehung nach links drehen</translation>
    </message>
    <message>
        <source>90° Right</source>
        <translation>90° nach rechts</translation>
    </message>
    <message>
        <source>Turn the whole image a quarter turn to the right</source>
        <translation>Das ganze Bild um eine Vierteldrehung nach rechts drehen</translation>
    </message>
    <message>
        <source>Turn the whole image upside down</source>
        <translation>Das ganze Bild auf den Kopf stellen</translation>
    </message>
    <message>
        <source>Straighten</source>
        <translation>Begradigen</translation>
    </message>
    <message>
        <source>Tilt the whole image by up to 45° either way</source>
        <translation>Das ganze Bild um bis zu 45° in beide Richtungen neigen</translation>
    </message>
    <message>
        <source>Straighten angle in degrees</source>
        <translation>Begradigungswinkel in Grad</translation>
    </message>
    <message>
        <source>Straighten angle in degrees, −45 to 45</source>
        <translation>Begradigungswinkel in Grad, −45 bis 45</translation>
    </message>
    <message>
        <source>Canvas grows to fit; corners stay transparent — crop to trim.</source>
        <translation>Die Arbeitsfläche wächst mit; die Ecken bleiben transparent — zum Entfernen zuschneiden.</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Anwenden</translation>
    </message>
    <message>
        <source>Rotate the whole image by the straighten angle</source>
        <translation>Das ganze Bild um den Begradigungswinkel drehen</translation>
    </message>
</context>
<context>
    <name>Save</name>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>PNG-Bild (*.png)</translation>
    </message>
</context>
<context>
    <name>SaveDialog</name>
    <message>
        <source>PNG (lossless)</source>
        <translation>PNG (verlustfrei)</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>PNG-Bild (*.png)</translation>
    </message>
    <message>
        <source>JPEG (smaller)</source>
        <translation>JPEG (kleiner)</translation>
    </message>
    <message>
        <source>JPEG image (*.jpg *.jpeg)</source>
        <translation>JPEG-Bild (*.jpg *.jpeg)</translation>
    </message>
    <message>
        <source>PDF</source>
        <translation>PDF</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>PDF-Dokument (*.pdf)</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>Größe:</translation>
    </message>
    <message>
        <source>Saves the flat image plus an editable .pictproj project next to it</source>
        <translation>Speichert das zusammengefügte Bild und daneben ein bearbeitbares .pictproj-Projekt</translation>
    </message>
    <message>
        <source>Burn blurred parts into the project</source>
        <translation>Weichgezeichnete Bereiche ins Projekt einbrennen</translation>
    </message>
    <message>
        <source>On, the project&apos;s picture holds the blurred pixels, so the original ones cannot be recovered from the project; off, it keeps them under the blur, so blur regions can still be moved or removed</source>
        <translation>Eingeschaltet enthält das Bild des Projekts die weichgezeichneten Pixel, sodass die ursprünglichen nicht aus dem Projekt wiederhergestellt werden können; ausgeschaltet bewahrt es sie unter der Weichzeichnung auf, sodass weichgezeichnete Bereiche noch verschoben oder entfernt werden können</translation>
    </message>
    <message>
        <source>“%1” and “%2” already exist. Do you want to replace them?</source>
        <translation>„%1“ und „%2“ sind bereits vorhanden. Möchten Sie sie ersetzen?</translation>
    </message>
    <message>
        <source>“%1” already exists. Do you want to replace it?</source>
        <translation>„%1“ ist bereits vorhanden. Möchten Sie die Datei ersetzen?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1 %</translation>
    </message>
</context>
<context>
    <name>SaveFolder</name>
    <message>
        <source>Choose Pictavo&apos;s save folder</source>
        <translation>Speicherordner für Pictavo wählen</translation>
    </message>
    <message>
        <source>Choose</source>
        <translation>Wählen</translation>
    </message>
    <message>
        <source>Welcome to Pictavo</source>
        <translation>Willkommen bei Pictavo</translation>
    </message>
    <message>
        <source>Choose a folder where Pictavo will save your screenshots. The menu&apos;s Recent list shows what&apos;s in this folder. You can change it later from the menu.</source>
        <translation>Wählen Sie einen Ordner, in dem Pictavo Ihre Bildschirmfotos speichert. Die Liste „Zuletzt gespeichert“ im Menü zeigt den Inhalt dieses Ordners. Sie können ihn später über das Menü ändern.</translation>
    </message>
    <message>
        <source>Choose Folder…</source>
        <translation>Ordner wählen …</translation>
    </message>
</context>
<context>
    <name>SensitiveText</name>
    <message>
        <source>e-mail</source>
        <translation>E-Mail</translation>
    </message>
    <message>
        <source>IP</source>
        <translation>IP</translation>
    </message>
    <message>
        <source>MAC</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>URL</translation>
    </message>
    <message>
        <source>key</source>
        <translation>Schlüssel</translation>
    </message>
    <message>
        <source>IBAN</source>
        <translation>IBAN</translation>
    </message>
    <message>
        <source>card</source>
        <translation>Karte</translation>
    </message>
    <message>
        <source>labelled value</source>
        <translation>beschrifteter Wert</translation>
    </message>
    <message>
        <source>Nothing sensitive found</source>
        <translation>Nichts Vertrauliches gefunden</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 × %2</translation>
    </message>
    <message>
        <source>%1 found: %2</source>
        <translation>%1 gefunden: %2</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>StampPicker</name>
    <message>
        <source>Icon</source>
        <translation>Symbol</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Search symbols</source>
        <translation>Symbole suchen</translation>
    </message>
    <message>
        <source>Type a name or a use: card reader, camera, smoke…</source>
        <translation>Geben Sie einen Namen oder Zweck ein: Zutrittsleser, Kamera, Rauch …</translation>
    </message>
    <message>
        <source>Recent</source>
        <translation>Zuletzt verwendet</translation>
    </message>
    <message>
        <source>Which icon the stamp tool places</source>
        <translation>Welches Symbol das Stempelwerkzeug setzt</translation>
    </message>
</context>
<context>
    <name>Stamps</name>
    <message>
        <source>Number Circle</source>
        <translation>Kreis mit Nummer</translation>
    </message>
    <message>
        <source>Check Mark</source>
        <translation>Häkchen</translation>
    </message>
    <message>
        <source>Check Box</source>
        <translation>Ankreuzfeld</translation>
    </message>
    <message>
        <source>Check Circle</source>
        <translation>Häkchen im Kreis</translation>
    </message>
    <message>
        <source>Circle Slash</source>
        <translation>Durchgestrichener Kreis</translation>
    </message>
    <message>
        <source>Door Contact</source>
        <translation>Türkontakt</translation>
    </message>
    <message>
        <source>Motion Detector</source>
        <translation>Bewegungsmelder</translation>
    </message>
    <message>
        <source>Glass Break</source>
        <translation>Glasbruchmelder</translation>
    </message>
    <message>
        <source>Keypad</source>
        <translation>Bedienteil</translation>
    </message>
    <message>
        <source>Siren / Sounder</source>
        <translation>Sirene / Signalgeber</translation>
    </message>
    <message>
        <source>Panic Button</source>
        <translation>Überfalltaster</translation>
    </message>
    <message>
        <source>Alarm Panel</source>
        <translation>Alarmzentrale</translation>
    </message>
    <message>
        <source>Beam Sensor</source>
        <translation>Lichtschranke</translation>
    </message>
    <message>
        <source>Access Reader</source>
        <translation>Zutrittsleser</translation>
    </message>
    <message>
        <source>Access Door</source>
        <translation>Zutrittstür</translation>
    </message>
    <message>
        <source>Maglock</source>
        <translation>Haftmagnet</translation>
    </message>
    <message>
        <source>Strike</source>
        <translation>Türöffner</translation>
    </message>
    <message>
        <source>Rim Strike</source>
        <translation>Aufschraub-Türöffner</translation>
    </message>
    <message>
        <source>Push Button</source>
        <translation>Taster</translation>
    </message>
    <message>
        <source>Request to Exit</source>
        <translation>Ausgangsanforderung</translation>
    </message>
    <message>
        <source>Biometric Reader</source>
        <translation>Biometrischer Leser</translation>
    </message>
    <message>
        <source>Intercom</source>
        <translation>Sprechanlage</translation>
    </message>
    <message>
        <source>Turnstile</source>
        <translation>Drehsperre</translation>
    </message>
    <message>
        <source>Power Transfer (EPT)</source>
        <translation>Kabelübergang (EPT)</translation>
    </message>
    <message>
        <source>Camera (Box)</source>
        <translation>Kamera (Box)</translation>
    </message>
    <message>
        <source>Camera (360°)</source>
        <translation>Kamera (360°)</translation>
    </message>
    <message>
        <source>Camera (Dome)</source>
        <translation>Kamera (Dome)</translation>
    </message>
    <message>
        <source>Camera (PTZ)</source>
        <translation>Kamera (PTZ)</translation>
    </message>
    <message>
        <source>Camera (Bullet)</source>
        <translation>Kamera (Bullet)</translation>
    </message>
    <message>
        <source>Camera (Thermal)</source>
        <translation>Kamera (Wärmebild)</translation>
    </message>
    <message>
        <source>Smoke Detector</source>
        <translation>Rauchmelder</translation>
    </message>
    <message>
        <source>Heat Detector</source>
        <translation>Wärmemelder</translation>
    </message>
    <message>
        <source>Pull Station</source>
        <translation>Handfeuermelder</translation>
    </message>
    <message>
        <source>Horn / Strobe</source>
        <translation>Hupe / Blitzleuchte</translation>
    </message>
    <message>
        <source>Fire Panel (FACP)</source>
        <translation>Brandmelderzentrale (BMZ)</translation>
    </message>
    <message>
        <source>Sprinkler Head</source>
        <translation>Sprinklerkopf</translation>
    </message>
    <message>
        <source>Fire Extinguisher</source>
        <translation>Feuerlöscher</translation>
    </message>
    <message>
        <source>Equipment Rack</source>
        <translation>Geräteschrank</translation>
    </message>
    <message>
        <source>Network Switch</source>
        <translation>Netzwerk-Switch</translation>
    </message>
    <message>
        <source>Router</source>
        <translation>Router</translation>
    </message>
    <message>
        <source>Wireless AP</source>
        <translation>WLAN-Access-Point</translation>
    </message>
    <message>
        <source>Server</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>Workstation</source>
        <translation>Arbeitsplatzrechner</translation>
    </message>
    <message>
        <source>Data Outlet</source>
        <translation>Netzwerkdose</translation>
    </message>
    <message>
        <source>NVR / Recorder</source>
        <translation>NVR / Rekorder</translation>
    </message>
    <message>
        <source>UPS</source>
        <translation>USV</translation>
    </message>
    <message>
        <source>Relay Coil</source>
        <translation>Relaisspule</translation>
    </message>
    <message>
        <source>Relay Contact (NO)</source>
        <translation>Relaiskontakt (Schließer)</translation>
    </message>
    <message>
        <source>Relay Contact (NC)</source>
        <translation>Relaiskontakt (Öffner)</translation>
    </message>
    <message>
        <source>Switch (SPST)</source>
        <translation>Schalter (einpolig)</translation>
    </message>
    <message>
        <source>Push Button (NO)</source>
        <translation>Taster (Schließer)</translation>
    </message>
    <message>
        <source>Resistor</source>
        <translation>Widerstand</translation>
    </message>
    <message>
        <source>Capacitor</source>
        <translation>Kondensator</translation>
    </message>
    <message>
        <source>Diode</source>
        <translation>Diode</translation>
    </message>
    <message>
        <source>LED</source>
        <translation>LED</translation>
    </message>
    <message>
        <source>Inductor / Coil</source>
        <translation>Induktivität / Spule</translation>
    </message>
    <message>
        <source>Fuse</source>
        <translation>Sicherung</translation>
    </message>
    <message>
        <source>Transistor (NPN)</source>
        <translation>Transistor (NPN)</translation>
    </message>
    <message>
        <source>Transistor (PNP)</source>
        <translation>Transistor (PNP)</translation>
    </message>
    <message>
        <source>Ground</source>
        <translation>Erde</translation>
    </message>
    <message>
        <source>Battery / DC</source>
        <translation>Batterie / Gleichstrom</translation>
    </message>
    <message>
        <source>Terminal</source>
        <translation>Klemme</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Security</source>
        <translation>Einbruchmeldung</translation>
    </message>
    <message>
        <source>Access</source>
        <translation>Zutrittskontrolle</translation>
    </message>
    <message>
        <source>Cameras</source>
        <translation>Kameras</translation>
    </message>
    <message>
        <source>Fire</source>
        <translation>Brandschutz</translation>
    </message>
    <message>
        <source>IT / Network</source>
        <translation>IT / Netzwerk</translation>
    </message>
    <message>
        <source>Electrical / Circuit</source>
        <translation>Elektro / Schaltung</translation>
    </message>
</context>
<context>
    <name>StatusBarController</name>
    <message>
        <source>Capture Selection</source>
        <translation>Bereich aufnehmen</translation>
    </message>
    <message>
        <source>Recent</source>
        <translation>Zuletzt gespeichert</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Recent Captures</source>
        <translation>Letzte Aufnahmen</translation>
    </message>
    <message>
        <source>Adjust Selection Before Capturing</source>
        <translation>Auswahl vor dem Aufnehmen anpassen</translation>
    </message>
    <message>
        <source>After the drag, move, resize or nudge the region, then press Return</source>
        <translation>Nach dem Ziehen den Bereich verschieben, in der Größe ändern oder fein verrücken, dann Eingabe drücken</translation>
    </message>
    <message>
        <source>Keep Capture History</source>
        <translation>Aufnahmeverlauf behalten</translation>
    </message>
    <message>
        <source>Keep your last %1 captures for Recent Captures, in %2; turning it off deletes them</source>
        <translation>Ihre letzten %1 Aufnahmen für „Letzte Aufnahmen“ in %2 behalten; Ausschalten löscht sie</translation>
    </message>
    <message>
        <source>Delete the capture history?</source>
        <translation>Aufnahmeverlauf löschen?</translation>
    </message>
    <message>
        <source>The capture kept for Recent Captures will be deleted, and new captures will not be kept. This cannot be undone.</source>
        <translation>Die für „Letzte Aufnahmen“ behaltene Aufnahme wird gelöscht, und neue Aufnahmen werden nicht behalten. Dies kann nicht rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>The %1 captures kept for Recent Captures will be deleted, and new captures will not be kept. This cannot be undone.</source>
        <translation>Die %1 für „Letzte Aufnahmen“ behaltenen Aufnahmen werden gelöscht, und neue Aufnahmen werden nicht behalten. Dies kann nicht rückgängig gemacht werden.</translation>
    </message>
    <message>
        <source>Keep History</source>
        <translation>Verlauf behalten</translation>
    </message>
    <message>
        <source>Leave Keep Capture History on; nothing is deleted</source>
        <translation>„Aufnahmeverlauf behalten“ eingeschaltet lassen; nichts wird gelöscht</translation>
    </message>
    <message>
        <source>Delete History</source>
        <translation>Verlauf löschen</translation>
    </message>
    <message>
        <source>Turn Keep Capture History off and delete every kept capture</source>
        <translation>„Aufnahmeverlauf behalten“ ausschalten und alle behaltenen Aufnahmen löschen</translation>
    </message>
    <message>
        <source>Quit Pictavo</source>
        <translation>Pictavo beenden</translation>
    </message>
    <message>
        <source>Pictavo — capturing in %1 s</source>
        <translation>Pictavo — Aufnahme in %1 s</translation>
    </message>
    <message>
        <source>No Files in the Save Folder Yet</source>
        <translation>Noch keine Dateien im Speicherordner</translation>
    </message>
    <message>
        <source>Open Save Folder</source>
        <translation>Speicherordner öffnen</translation>
    </message>
    <message>
        <source>Change Save Folder…</source>
        <translation>Speicherordner ändern …</translation>
    </message>
    <message>
        <source>Drag a region of the screen and copy its text to the clipboard (recognition can miss text: check what matters)</source>
        <translation>Einen Bildschirmbereich aufziehen und seinen Text in die Zwischenablage kopieren (die Erkennung kann Text übersehen: Prüfen Sie das Wichtige)</translation>
    </message>
    <message>
        <source>Cancel Reading</source>
        <translation>Lesen abbrechen</translation>
    </message>
    <message>
        <source>Capture Text</source>
        <translation>Text aufnehmen</translation>
    </message>
    <message>
        <source>Stop reading the text of the capture; the clipboard stays as it was</source>
        <translation>Das Lesen des Textes der Aufnahme abbrechen; die Zwischenablage bleibt unverändert</translation>
    </message>
    <message>
        <source>Drag a region of the screen to capture</source>
        <translation>Einen Bildschirmbereich zum Aufnehmen aufziehen</translation>
    </message>
    <message>
        <source>Capture Window</source>
        <translation>Fenster aufnehmen</translation>
    </message>
    <message>
        <source>Click a window to capture it</source>
        <translation>Ein Fenster anklicken, um es aufzunehmen</translation>
    </message>
    <message>
        <source>Capture Full Screen</source>
        <translation>Ganzen Bildschirm aufnehmen</translation>
    </message>
    <message>
        <source>Capture the whole screen</source>
        <translation>Den gesamten Bildschirm aufnehmen</translation>
    </message>
    <message>
        <source>Your last %1 captures, newest first: choose one to open it in the editor</source>
        <translation>Ihre letzten %1 Aufnahmen, neueste zuerst: Wählen Sie eine aus, um sie im Editor zu öffnen</translation>
    </message>
    <message>
        <source>Capture Last Region Again</source>
        <translation>Letzten Bereich erneut aufnehmen</translation>
    </message>
    <message>
        <source>Capture the same part of the screen as the last selected region, without selecting it</source>
        <translation>Denselben Bildschirmausschnitt wie den zuletzt ausgewählten Bereich aufnehmen, ohne ihn auszuwählen</translation>
    </message>
    <message>
        <source>Open Image in Editor…</source>
        <translation>Bild im Editor öffnen …</translation>
    </message>
    <message>
        <source>Open a picture, a PDF page or a project</source>
        <translation>Ein Bild, eine PDF-Seite oder ein Projekt öffnen</translation>
    </message>
    <message>
        <source>Pictavo is running</source>
        <translation>Pictavo läuft</translation>
    </message>
    <message>
        <source>Its menu is behind this icon: captures, recent files and the save folder.</source>
        <translation>Das Menü befindet sich hinter diesem Symbol: Aufnahmen, zuletzt gespeicherte Dateien und der Speicherordner.</translation>
    </message>
    <message>
        <source>Pictures and projects in the save folder, newest first</source>
        <translation>Bilder und Projekte im Speicherordner, neueste zuerst</translation>
    </message>
    <message>
        <source>Show the save folder in the file manager</source>
        <translation>Den Speicherordner in der Dateiverwaltung anzeigen</translation>
    </message>
    <message>
        <source>Choose another folder for saved screenshots</source>
        <translation>Einen anderen Ordner für gespeicherte Bildschirmfotos wählen</translation>
    </message>
    <message>
        <source>How captures behave</source>
        <translation>Verhalten beim Aufnehmen</translation>
    </message>
    <message>
        <source>Open Image in Editor</source>
        <translation>Bild im Editor öffnen</translation>
    </message>
    <message>
        <source>Pictures, PDFs and projects (*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff *.webp *.pdf *.pictproj *.PNG *.JPG *.JPEG *.PDF *.PICTPROJ);;All files (*)</source>
        <translation>Bilder, PDFs und Projekte (*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff *.webp *.pdf *.pictproj *.PNG *.JPG *.JPEG *.PDF *.PICTPROJ);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>You have unsaved screenshot edits</source>
        <translation>Sie haben ungespeicherte Änderungen an Bildschirmfotos</translation>
    </message>
    <message>
        <source>You have unsaved edits in %1 editor windows</source>
        <translation>Sie haben ungespeicherte Änderungen in %1 Editorfenstern</translation>
    </message>
    <message>
        <source>Quitting now will discard them. Cancel to go back and save.</source>
        <translation>Wenn Sie jetzt beenden, werden sie verworfen. Brechen Sie ab, um zurückzukehren und zu speichern.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Quit Anyway</source>
        <translation>Trotzdem beenden</translation>
    </message>
</context>
<context>
    <name>TextEntryField</name>
    <message>
        <source>Text — Shift+Return for new line</source>
        <translation>Text — Umschalt+Eingabe für neue Zeile</translation>
    </message>
    <message>
        <source>Text Being Typed</source>
        <translation>Text wird eingegeben</translation>
    </message>
    <message>
        <source>Return ends the text; Shift+Return starts a new line</source>
        <translation>Eingabe beendet den Text; Umschalt+Eingabe beginnt eine neue Zeile</translation>
    </message>
</context>
<context>
    <name>TextReading</name>
    <message>
        <source>No text found</source>
        <translation>Kein Text gefunden</translation>
    </message>
    <message>
        <source>Copied 1 line of text</source>
        <translation>1 Textzeile kopiert</translation>
    </message>
    <message>
        <source>Copied %1 lines of text</source>
        <translation>%1 Textzeilen kopiert</translation>
    </message>
</context>
<context>
    <name>Tools</name>
    <message>
        <source>Select — drag to move/resize, double-click a line for a vertex</source>
        <translation>Auswählen — ziehen zum Verschieben/Größe ändern, Doppelklick auf eine Linie fügt einen Eckpunkt hinzu</translation>
    </message>
    <message>
        <source>Pencil</source>
        <translation>Stift</translation>
    </message>
    <message>
        <source>Highlighter</source>
        <translation>Textmarker</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Linie</translation>
    </message>
    <message>
        <source>Arrow</source>
        <translation>Pfeil</translation>
    </message>
    <message>
        <source>Rectangle</source>
        <translation>Rechteck</translation>
    </message>
    <message>
        <source>Ellipse</source>
        <translation>Ellipse</translation>
    </message>
    <message>
        <source>Icon stamp — pick the icon from the dropdown</source>
        <translation>Symbolstempel — wählen Sie das Symbol aus der Aufklappliste</translation>
    </message>
    <message>
        <source>Numbered dot</source>
        <translation>Nummernpunkt</translation>
    </message>
    <message>
        <source>Checkmark badge</source>
        <translation>Häkchenpunkt</translation>
    </message>
    <message>
        <source>Blur — blurred text can sometimes be read back; use Redact to hide it</source>
        <translation>Weichzeichnen — weichgezeichneter Text ist manchmal wieder lesbar; verwenden Sie zum Verbergen „Schwärzen“</translation>
    </message>
    <message>
        <source>Redact — an opaque box that hides what is under it, in the image and in the project</source>
        <translation>Schwärzen — ein deckendes Rechteck, das verbirgt, was darunter liegt, im Bild und im Projekt</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Crop</source>
        <translation>Zuschneiden</translation>
    </message>
    <message>
        <source>Polygon</source>
        <translation>Polygon</translation>
    </message>
    <message>
        <source>Pasted image</source>
        <translation>Eingefügtes Bild</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Auswählen</translation>
    </message>
    <message>
        <source>Icon stamp</source>
        <translation>Symbolstempel</translation>
    </message>
    <message>
        <source>Blur</source>
        <translation>Weichzeichnen</translation>
    </message>
    <message>
        <source>Redact</source>
        <translation>Schwärzen</translation>
    </message>
</context>
</TS>
